#include "testing/test_host.h"

#include <cstdlib>

#include "tftp/host_hooks.h"

namespace testhost {

HostState& Host() {
    static HostState state;
    return state;
}

void ResetHost() { Host() = HostState{}; }

int TextToInt(const std::string& text) { return std::atoi(text.c_str()); }

}  // namespace testhost

using testhost::Host;

int GetRetryCount() { return testhost::TextToInt(Host().retry_text); }
int GetTimeoutSeconds() { return testhost::TextToInt(Host().timeout_text); }
int GetBroadcastDelay() { return testhost::TextToInt(Host().delay_text); }
bool IsCriteriaFileSkipped() { return Host().criteria_skipped; }
bool IsServerReadEnabled() { return Host().server_read_enabled; }
bool IsServerWriteEnabled() { return Host().server_write_enabled; }

bool IsLogEnabled() { return Host().log_enabled; }

void LogMessage(const char* text) {
    if (Host().log_enabled) Host().log.emplace_back(text);
}

void ResetProgress(int n) {
    Host().progress_upper = (n + 1) & 0xFFFF;
    Host().progress_pos = 0;
}

void StepProgress() {
    if (Host().progress_pos < Host().progress_upper) ++Host().progress_pos;
}

void SetServerActivityOn(const char* text) {
    Host().activity_icon = 135;
    Host().activity_text = text;
}

void SetServerActivityOff(const char* text) {
    Host().activity_icon = 134;
    Host().activity_text = text;
}
