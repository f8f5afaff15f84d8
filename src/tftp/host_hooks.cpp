// The engines' upward calls, passed on to the registered host.
#include "tftp/host_hooks.h"

namespace {

EngineHost* g_pEngineHost = nullptr;

}  // namespace

void SetEngineHost(EngineHost* host) {
    g_pEngineHost = host;
}

void RunSequencer() {
    if (g_pEngineHost) g_pEngineHost->RunSequencer();
}
void PushPriorityStep(int code) {
    if (g_pEngineHost) g_pEngineHost->PushPriorityStep(code);
}

void StartResponseTimer(int ms, TimerKind kind) {
    if (g_pEngineHost) g_pEngineHost->StartResponseTimer(ms, kind);
}
void StopResponseTimer() {
    if (g_pEngineHost) g_pEngineHost->StopResponseTimer();
}
bool IsResponseTimerRunning() {
    return g_pEngineHost && g_pEngineHost->IsResponseTimerRunning();
}
void StartServerTimer(int ms, TimerKind kind) {
    if (g_pEngineHost) g_pEngineHost->StartServerTimer(ms, kind);
}
void StopServerTimer() {
    if (g_pEngineHost) g_pEngineHost->StopServerTimer();
}
bool IsServerTimerRunning() {
    return g_pEngineHost && g_pEngineHost->IsServerTimerRunning();
}

void ReadConfigPackPath() {
    if (g_pEngineHost) g_pEngineHost->ReadConfigPackPath();
}
void ReadServerRootPath() {
    if (g_pEngineHost) g_pEngineHost->ReadServerRootPath();
}
int GetRetryCount() {
    return g_pEngineHost ? g_pEngineHost->GetRetryCount() : 0;
}
int GetTimeoutSeconds() {
    return g_pEngineHost ? g_pEngineHost->GetTimeoutSeconds() : 0;
}
int GetBroadcastDelay() {
    return g_pEngineHost ? g_pEngineHost->GetBroadcastDelay() : 0;
}
bool IsCriteriaFileSkipped() {
    return g_pEngineHost && g_pEngineHost->IsCriteriaFileSkipped();
}
bool IsServerReadEnabled() {
    return g_pEngineHost && g_pEngineHost->IsServerReadEnabled();
}
bool IsServerWriteEnabled() {
    return g_pEngineHost && g_pEngineHost->IsServerWriteEnabled();
}

void LogMessage(const char* text) {
    if (g_pEngineHost) g_pEngineHost->LogMessage(text);
}
bool IsLogEnabled() {
    return g_pEngineHost && g_pEngineHost->IsLogEnabled();
}
void ResetProgress(int n) {
    if (g_pEngineHost) g_pEngineHost->ResetProgress(n);
}
void StepProgress() {
    if (g_pEngineHost) g_pEngineHost->StepProgress();
}
void SetServerActivityOn(const char* text) {
    if (g_pEngineHost) g_pEngineHost->SetServerActivityOn(text);
}
void SetServerActivityOff(const char* text) {
    if (g_pEngineHost) g_pEngineHost->SetServerActivityOff(text);
}
