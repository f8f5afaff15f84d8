// "Verify after reboot": the check after an upgrade that the modem runs the firmware it was
// sent. The modem's identification is read before the upgrade; once the upgrade status
// dialog has ended (whichever way), the modem is asked for it again every interval until
// it answers with the version expected, or answers after it was seen silent, or the time
// is up, and the two firmware versions are compared. The engines'
// boxes of a read that goes unanswered while the modem reboots go to the log instead.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/clock.h"

namespace fw {
class CDialog;
}

enum class VerifyOutcome {
    kPending,
    kVerified,       // the modem runs the version the file carries
    kChanged,        // the file carries no version, and the modem's changed
    kWrongFirmware,  // the modem came back with another version than the file's
    kUnchanged,      // the file carries no version, and the modem's did not change
    kNoReturn,       // the modem did not answer within the time
    kAbandoned,      // a read or the upgrade failed (its box said why), or another plan began
};

struct VerifyResult {
    VerifyOutcome outcome = VerifyOutcome::kPending;
    std::string expected;  // the version the file carries; empty when it carries none
    std::string before;    // the modem's firmware version before the upgrade
    std::string after;     // and when it came back
    int timeoutSeconds = 0;

    // Verified, or changed where the file carries no version.
    bool Passed() const;
    // The line that tells the outcome: "Verified: firmware X (was Y)", "The modem came back
    // with firmware Y; expected X.", "The modem did not come back within N s.", "Firmware
    // changed: Y -> Z", "Firmware unchanged: Y". Empty while pending or when abandoned.
    std::string Line() const;
};

// The expected version, when there is one, must be contained in the modem's firmware
// version, letter case ignored; without one the modem's version must have changed.
// Blanks around each version are ignored.
VerifyOutcome CompareFirmware(const std::string& expected, const std::string& before,
                              const std::string& after);

class FirmwareVerifier {
public:
    using PlanStarter = std::function<void(const std::vector<int>& codes)>;
    static constexpr int kTimerId = 13;
    static constexpr int kDefaultIntervalSeconds = 5;
    static constexpr int kDefaultTimeoutSeconds = 180;

    // `page` carries the timer; `start_plan` starts a plan as the page's buttons do.
    FirmwareVerifier(fw::CDialog& page, PlanStarter start_plan);
    ~FirmwareVerifier();
    FirmwareVerifier(const FirmwareVerifier&) = delete;
    FirmwareVerifier& operator=(const FirmwareVerifier&) = delete;

    void SetTiming(int interval_seconds, int timeout_seconds);
    int IntervalSeconds() const { return interval_; }
    int TimeoutSeconds() const { return timeout_; }

    // Reads the identification, then runs `upgrade_plan`, then waits for the modem and
    // compares its firmware version with `expected_version`.
    void Begin(std::string expected_version, std::vector<int> upgrade_plan);
    // Stops without a result (another plan of the page is about to begin).
    void Cancel();
    bool IsActive() const { return phase_ != Phase::kIdle; }
    const VerifyResult& Result() const { return result_; }

    // Told of every change of the status text ("Reading the firmware version ...",
    // "Waiting for the modem: N s", then the outcome's line) and of the end.
    std::function<void(const std::string& text)> onStatus;
    std::function<void(const VerifyResult& result)> onFinished;

private:
    enum class Phase { kIdle, kReadingBefore, kUpgrading, kWaiting, kProbing };

    void Tick();
    void StartPlan(const std::vector<int>& codes);
    void PlanOver(bool ended);
    void StartProbe();
    void Finish(VerifyOutcome outcome);
    VerifyOutcome OutcomeAtDeadline() const;
    void ShowStatus(const std::string& text);
    void ShowCountdown(fw::Millis now);

    fw::CDialog& page_;
    PlanStarter start_plan_;
    int interval_ = kDefaultIntervalSeconds;
    int timeout_ = kDefaultTimeoutSeconds;
    Phase phase_ = Phase::kIdle;
    std::vector<int> upgrade_plan_;
    int run_ = 0;  // the run observer's count for the plan we started
    fw::Millis deadline_ = 0;
    fw::Millis next_probe_ = 0;
    bool seen_silent_ = false;  // a read went unanswered since the upgrade: it rebooted
    bool answered_ = false;     // the modem answered a read since the upgrade
    std::string status_;
    VerifyResult result_;
};

// The plan that reads the modem's identification without showing it.
std::vector<int> IdentificationReadPlan();
