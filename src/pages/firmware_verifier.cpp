#include "pages/firmware_verifier.h"

#include <algorithm>
#include <cctype>

#include "framework/event_loop.h"
#include "framework/ui/dialog.h"
#include "sequencer/step_ring.h"
#include "tftp/engine_globals.h"
#include "tftp/host_hooks.h"
#include "tftp/run_observer.h"
#include "tftp/step_codes.h"

namespace {

constexpr fw::Millis kTickInterval = 200;

std::string Trimmed(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

fw::Millis Now() {
    return fw::MainLoop().Now();
}

}  // namespace

std::vector<int> IdentificationReadPlan() {
    return {STEP_CONNECT, STEP_PUT_LOCK_KEY, STEP_GET_MODEM_INFO, STEP_GET_FILES};
}

VerifyOutcome CompareFirmware(const std::string& expected, const std::string& before,
                              const std::string& after) {
    std::string wanted = Trimmed(expected);
    if (!wanted.empty()) {
        bool runs_it = Lower(Trimmed(after)).find(Lower(wanted)) != std::string::npos;
        return runs_it ? VerifyOutcome::kVerified : VerifyOutcome::kWrongFirmware;
    }
    return Trimmed(before) != Trimmed(after) ? VerifyOutcome::kChanged : VerifyOutcome::kUnchanged;
}

bool VerifyResult::Passed() const {
    return outcome == VerifyOutcome::kVerified || outcome == VerifyOutcome::kChanged;
}

std::string VerifyResult::Line() const {
    switch (outcome) {
        case VerifyOutcome::kVerified:
            return "Verified: firmware " + expected + " (was " + before + ")";
        case VerifyOutcome::kWrongFirmware:
            return "The modem came back with firmware " + after + "; expected " + expected + ".";
        case VerifyOutcome::kNoReturn:
            return "The modem did not come back within " + std::to_string(timeoutSeconds) + " s.";
        case VerifyOutcome::kChanged:
            return "Firmware changed: " + before + " -> " + after;
        case VerifyOutcome::kUnchanged:
            return "Firmware unchanged: " + before;
        case VerifyOutcome::kPending:
        case VerifyOutcome::kAbandoned:
            break;
    }
    return {};
}

FirmwareVerifier::FirmwareVerifier(fw::CDialog& page, PlanStarter start_plan)
    : page_(page), start_plan_(std::move(start_plan)) {}

FirmwareVerifier::~FirmwareVerifier() {
    if (phase_ == Phase::kProbing) SetQuietEngineBoxes(false);
}

void FirmwareVerifier::SetTiming(int interval_seconds, int timeout_seconds) {
    interval_ = std::max(interval_seconds, 1);
    timeout_ = std::max(timeout_seconds, 0);
}

void FirmwareVerifier::Begin(std::string expected_version, std::vector<int> upgrade_plan) {
    Cancel();
    result_ = VerifyResult{};
    result_.expected = Trimmed(expected_version);
    result_.timeoutSeconds = timeout_;
    seen_silent_ = false;
    answered_ = false;
    upgrade_plan_ = std::move(upgrade_plan);
    phase_ = Phase::kReadingBefore;
    ShowStatus("Reading the firmware version ...");
    page_.SetTimer(kTimerId, kTickInterval, [this] { Tick(); });
    StartPlan(IdentificationReadPlan());
}

void FirmwareVerifier::Cancel() {
    if (phase_ == Phase::kIdle) return;
    if (phase_ == Phase::kProbing) SetQuietEngineBoxes(false);
    phase_ = Phase::kIdle;
    page_.KillTimer(kTimerId);
    result_.outcome = VerifyOutcome::kAbandoned;
    ShowStatus("");
}

void FirmwareVerifier::StartPlan(const std::vector<int>& codes) {
    start_plan_(codes);
    run_ = TheRunObserver().RunCount();
}

void FirmwareVerifier::Tick() {
    const RunObserver& run = TheRunObserver();
    fw::Millis now = Now();
    if (phase_ == Phase::kIdle) return;
    // Someone else's plan began: ours is over without a word.
    if (run.RunCount() != run_) return Finish(VerifyOutcome::kAbandoned);
    if (phase_ == Phase::kWaiting) {
        if (now >= deadline_) return Finish(OutcomeAtDeadline());
        if (now >= next_probe_) return StartProbe();
        return ShowCountdown(now);
    }
    if (phase_ == Phase::kProbing) {
        if (now >= deadline_) return Finish(OutcomeAtDeadline());
        ShowCountdown(now);
    }
    if (run.Phase() == RunPhase::kRunning || run.IsPending()) return;
    PlanOver(run.Phase() == RunPhase::kEnded);
}

void FirmwareVerifier::PlanOver(bool ended) {
    switch (phase_) {
        case Phase::kReadingBefore:
            if (!ended) return Finish(VerifyOutcome::kAbandoned);
            result_.before = Trimmed(g_szFirmwareVersion.str());
            phase_ = Phase::kUpgrading;
            ShowStatus("");
            StartPlan(upgrade_plan_);
            return;
        case Phase::kUpgrading:
            if (!ended) return Finish(VerifyOutcome::kAbandoned);
            // The modem reboots now: the first read is one interval away.
            phase_ = Phase::kWaiting;
            deadline_ = Now() + static_cast<fw::Millis>(timeout_) * 1000;
            next_probe_ = Now() + static_cast<fw::Millis>(interval_) * 1000;
            ShowCountdown(Now());
            return;
        case Phase::kProbing: {
            SetQuietEngineBoxes(false);
            phase_ = Phase::kWaiting;
            // Unanswered, or answered only after the modem had left a wait unanswered.
            if (!ended || TheRunObserver().Expiries() > 0) seen_silent_ = true;
            if (!ended) return;
            answered_ = true;
            result_.after = Trimmed(g_szFirmwareVersion.str());
            VerifyOutcome outcome =
                CompareFirmware(result_.expected, result_.before, result_.after);
            // A modem that answers before it has gone down may not have rebooted yet: the
            // old version settles nothing until the modem was seen silent, or time is up.
            if (outcome == VerifyOutcome::kVerified || outcome == VerifyOutcome::kChanged ||
                seen_silent_)
                return Finish(outcome);
            return;
        }
        case Phase::kIdle:
        case Phase::kWaiting:
            return;
    }
}

VerifyOutcome FirmwareVerifier::OutcomeAtDeadline() const {
    if (!answered_) return VerifyOutcome::kNoReturn;
    return CompareFirmware(result_.expected, result_.before, result_.after);
}

void FirmwareVerifier::StartProbe() {
    phase_ = Phase::kProbing;
    next_probe_ = Now() + static_cast<fw::Millis>(interval_) * 1000;
    // While the modem reboots an unanswered read is expected, not a failure to show.
    SetQuietEngineBoxes(true);
    StartPlan(IdentificationReadPlan());
}

void FirmwareVerifier::Finish(VerifyOutcome outcome) {
    if (phase_ == Phase::kProbing) {
        // Our read still waiting for its answer is given up with the wait.
        const RunObserver& run = TheRunObserver();
        if (run.RunCount() == run_ && run.Phase() == RunPhase::kRunning) {
            StopResponseTimer();
            ResetStepRings();
            TheRunObserver().NoteStopped("The modem did not answer.");
        }
        SetQuietEngineBoxes(false);
    }
    phase_ = Phase::kIdle;
    page_.KillTimer(kTimerId);
    result_.outcome = outcome;
    ShowStatus(result_.Line());
    if (onFinished && outcome != VerifyOutcome::kAbandoned) onFinished(result_);
}

void FirmwareVerifier::ShowCountdown(fw::Millis now) {
    fw::Millis left = std::max<fw::Millis>(deadline_ - now, 0);
    ShowStatus("Waiting for the modem: " + std::to_string((left + 999) / 1000) + " s");
}

void FirmwareVerifier::ShowStatus(const std::string& text) {
    if (text == status_) return;
    status_ = text;
    if (onStatus) onStatus(text);
}
