// What the TFTP engines call above themselves. The engines call the free functions below;
// each passes the call on to the host the process registered (SetEngineHost): the Sequencer
// (sequencer/sequencer_hooks.h) answers for the steps and the two timers, and the
// application (app/) or, in engine tests, the test host (src/testing/) for the rest. Before
// any host is registered a call does nothing and answers as an empty box would (0, false).
#pragma once

// What a timer waits for, by the numbers the timers are set with.
enum class TimerKind {
    kNone = 0,         // not running
    kFirstAnswer = 1,  // the first answer to a request
    kNextBlock = 2,    // the next DATA block after our ACK
    kBlockAck = 3,     // the ACK of our DATA block (the server: any answer of its peer)
};

// The engines' upward calls, one method each; the free functions carry the same names.
class EngineHost {
public:
    virtual void RunSequencer() = 0;
    virtual void PushPriorityStep(int code) = 0;

    virtual void StartResponseTimer(int ms, TimerKind kind) = 0;
    virtual void StopResponseTimer() = 0;
    virtual bool IsResponseTimerRunning() = 0;
    virtual void StartServerTimer(int ms, TimerKind kind) = 0;
    virtual void StopServerTimer() = 0;
    virtual bool IsServerTimerRunning() = 0;

    virtual void ReadConfigPackPath() = 0;
    virtual void ReadServerRootPath() = 0;
    virtual int GetRetryCount() = 0;
    virtual int GetTimeoutSeconds() = 0;
    virtual int GetBroadcastDelay() = 0;
    virtual bool IsCriteriaFileSkipped() = 0;
    virtual bool IsServerReadEnabled() = 0;
    virtual bool IsServerWriteEnabled() = 0;

    virtual void LogMessage(const char* text) = 0;
    virtual bool IsLogEnabled() = 0;
    virtual void ResetProgress(int n) = 0;
    virtual void StepProgress() = 0;
    virtual void SetServerActivityOn(const char* text) = 0;
    virtual void SetServerActivityOff(const char* text) = 0;

protected:
    // Hosts live as long as the process: nobody deletes one through this interface.
    ~EngineHost() = default;
};

// The host every call below goes to from now on; null: none (calls do nothing).
void SetEngineHost(EngineHost* host);

// The Sequencer: pops and performs the next step of the running plan.
void RunSequencer();
// The priority ring's push (the send path queues one STEP_SEND_FILES per further entry).
void PushPriorityStep(int code);

// Response timer of the client (window timer 10) and server timer (window timer 11).
void StartResponseTimer(int ms, TimerKind kind);
void StopResponseTimer();
bool IsResponseTimerRunning();
void StartServerTimer(int ms, TimerKind kind);
void StopServerTimer();
bool IsServerTimerRunning();

// Accessors: each reads a control at the moment of the call.
void ReadConfigPackPath();  // sets the client's packFilePath
void ReadServerRootPath();  // sets the server's rootPath
int GetRetryCount();
int GetTimeoutSeconds();
int GetBroadcastDelay();
bool IsCriteriaFileSkipped();
bool IsServerReadEnabled();
bool IsServerWriteEnabled();

// Displays.
void LogMessage(const char* text);
// Whether LogMessage keeps what it is given: a line made for every datagram is not worth
// making when it would be dropped.
bool IsLogEnabled();
void ResetProgress(int n);
void StepProgress();
void SetServerActivityOn(const char* text);
void SetServerActivityOff(const char* text);
