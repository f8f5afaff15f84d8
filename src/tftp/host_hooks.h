// What the TFTP engines call above themselves. The engines are written against these
// declarations only; the application (app/) defines them over the main window's controls,
// the Sequencer and its timers (sequencer/) define their own, and engine tests link a test
// host that defines them over plain variables.
#pragma once

// The Sequencer: pops and performs the next step of the running plan.
void RunSequencer();
// The priority ring's push (the send path queues one STEP_SEND_FILES per further entry).
void PushPriorityStep(int code);

// What a timer waits for, by the numbers the timers are set with.
enum class TimerKind {
    kNone = 0,         // not running
    kFirstAnswer = 1,  // the first answer to a request
    kNextBlock = 2,    // the next DATA block after our ACK
    kBlockAck = 3,     // the ACK of our DATA block (the server: any answer of its peer)
};

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
