#include "sequencer/sequencer.h"

#include <string>

#include "framework/desktop.h"
#include "framework/fixed_text.h"
#include "sequencer/sequencer_hooks.h"
#include "sequencer/step_ring.h"
#include "tftp/client_texts.h"
#include "tftp/engine_globals.h"
#include "tftp/host_hooks.h"
#include "tftp/modem_info.h"
#include "tftp/run_observer.h"
#include "tftp/tftp_client.h"

namespace {

TftpClient* g_pClient = nullptr;
bool g_bFreshPlan = false;  // the rings were reset: the next call starts a run

enum class Next { kReturn, kContinue };

const char* const kConfigFiles[] = {"initbridge", "initbrowser", "resolve", "imode",
                                    "dhcpd.conf"};
const char* const kInfoFiles[] = {"ProductInfo", "info", "hw.prof"};

bool PopNext(std::int32_t& code) {
    if (g_priorityRing.Pop(code) && code >= 0) return true;
    return g_planRing.Pop(code) && code >= 0;
}

Next AfterSend(SendStart started) {
    return started == SendStart::kNothingToSend ? Next::kContinue : Next::kReturn;
}

Next GetFiles(TftpClient& client) {
    if (!client.GetNextFile()) return Next::kContinue;
    g_priorityRing.Push(STEP_PUT_LOCK_KEY);
    g_priorityRing.Push(STEP_GET_FILES);
    return Next::kReturn;
}

// A final dialog: open while it is up, and the run is over once it is closed.
template <typename Show>
Next FinalDialog(Show show) {
    TheRunObserver().NoteDialogOpened();
    show();
    TheRunObserver().NoteDialogClosed();
    ResetProgress(1);
    TheRunObserver().NoteEnded(RunEnd::kFinalStep);
    return Next::kReturn;
}

Next ReportConfigSaved(TftpClient& client) {
    if (!client.ConfigurationSaved()) {
        // Nothing arrived (or the read failed): saying "done" would be false.
        ShowStopMessage(kNoConfigurationText);
        ResetProgress(1);
        return Next::kReturn;
    }
    fw::FixedText<200> path(ReadConfigDestinationText());
    fw::FixedText<300> text(FormatText(kConfigSavedFormat, path.c_str()));
    return FinalDialog([&] { fw::AfxMessageBox(text.str(), fw::MB_ICONINFORMATION); });
}

Next SendOtherFile(TftpClient& client, int row) {
    std::string source, destination;
    if (!ReadOtherFileRow(row, source, destination)) return Next::kContinue;
    client.sourcePath = source;
    client.remoteName = destination;
    return AfterSend(client.StartFileSend(SendKind::kWholeFile));
}

Next SendMacroFile(TftpClient& client) {
    std::string path = ReadMacroFilePath();
    if (path.empty()) return Next::kContinue;
    client.sourcePath = path;
    client.remoteName = "cmdmacro";
    return AfterSend(client.StartFileSend(SendKind::kWholeFile));
}

Next Perform(TftpClient& client, int code) {
    switch (code) {
        case STEP_SEND_IMAGE:
            ReadImagePath();
            return AfterSend(client.StartFileSend(SendKind::kImage));
        case STEP_PUT_LOCK_KEY:
            ReadPassword();
            client.PutCommandFile(code);
            return Next::kReturn;
        case STEP_PUT_UPDATE_BEGIN:
            TheRunObserver().NoteBracketOpened();
            client.PutCommandFile(code);
            return Next::kReturn;
        case STEP_PUT_UPDATE_END:
            // From here on a completion report belongs to this upgrade: it may arrive while
            // the end marker still waits for its ACK, or before the status dialog opens.
            g_bUpdateComplete = 0;
            client.PutCommandFile(code);
            return Next::kReturn;
        case STEP_PUT_UPDATE_REBOOT:
        case STEP_PUT_MACRO:
        case STEP_PUT_MACRO_2:
            client.PutCommandFile(code);
            return Next::kReturn;
        case STEP_PUT_REQUEST_ID:
            ReadImagePath();
            ReadPassword();
            client.PutCommandFile(code);
            return Next::kReturn;
        case STEP_SHOW_UPGRADE_STATUS:
            return FinalDialog(ShowUpgradeStatusDialog);
        case STEP_REPORT_DOWNLOAD_DONE:
            return FinalDialog([] { fw::AfxMessageBox(kDownloadDoneText, fw::MB_ICONINFORMATION); });
        case STEP_REPORT_CONFIG_SAVED:
            return ReportConfigSaved(client);
        case STEP_OTHER_FILE_1:
            return SendOtherFile(client, 1);
        case STEP_OTHER_FILE_2:
            return SendOtherFile(client, 2);
        case STEP_MACRO_FILE:
            return SendMacroFile(client);
        case STEP_SEND_FILES:
            return AfterSend(client.StartFileSend(SendKind::kNextEntry));
        case STEP_CONNECT:
            ReadModemAddress();
            client.BeginOperation();
            return Next::kContinue;
        case STEP_END:
            TheRunObserver().NoteEnded(RunEnd::kEndStep);
            return Next::kReturn;
        case STEP_GET_FILES:
            return GetFiles(client);
        case STEP_GET_CONFIG_FILES:
            for (const char* name : kConfigFiles) client.AddReceiveFile(name);
            client.packMode = true;
            return GetFiles(client);
        case STEP_GET_MODEM_INFO:
            for (const char* name : kInfoFiles) client.AddReceiveFile(name);
            client.infoMode = true;
            ClearModemInfoFields();
            return Next::kContinue;
        case STEP_SHOW_MODEM_INFO:
            return FinalDialog(ShowModemInfoDialog);
        default:
            return Next::kContinue;  // no producer pushes other codes
    }
}

// Pops and performs codes until a step waits for a transfer or the run is over.
void RunSteps() {
    if (g_bFreshPlan) {
        g_bFreshPlan = false;
        TheRunObserver().NoteRunStarted();
    }
    for (;;) {
        std::int32_t code = 0;
        if (!PopNext(code)) {
            TheRunObserver().NoteEnded(RunEnd::kPlanExhausted);
            return;
        }
        if (g_pClient == nullptr) return;
        TheRunObserver().NoteStep(code);
        if (Perform(*g_pClient, code) == Next::kReturn) return;
    }
}

}  // namespace

void AttachSequencerClient(TftpClient* client) { g_pClient = client; }
TftpClient* SequencerClient() { return g_pClient; }

void ResetStepRings() {
    g_planRing.Reset();
    g_priorityRing.Reset();
    g_bFreshPlan = true;
}

void SequencerHost::PushPriorityStep(int code) { g_priorityRing.Push(code); }

void SequencerHost::RunSequencer() { RunSteps(); }

void StartPlan(std::initializer_list<int> codes) {
    ResetStepRings();
    for (int code : codes) g_planRing.Push(code);
    RunSteps();
}
