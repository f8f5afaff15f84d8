#include "app/run_description.h"

#include "formats/pack_table.h"
#include "tftp/client_texts.h"
#include "tftp/command_files.h"
#include "tftp/run_observer.h"
#include "tftp/step_codes.h"
#include "tftp/tftp_client.h"

namespace {

const char* StepWords(int step) {
    switch (step) {
        case STEP_SEND_IMAGE:
        case STEP_SEND_FILES:
            return "sending the image";
        case STEP_PUT_LOCK_KEY:
            return "writing the unlock key";
        case STEP_PUT_UPDATE_BEGIN:
            return "writing the update begin marker";
        case STEP_PUT_UPDATE_REBOOT:
            return "writing the update reboot marker";
        case STEP_PUT_UPDATE_END:
            return "writing the update end marker";
        case STEP_PUT_MACRO:
        case STEP_PUT_MACRO_2:
            return "writing a command macro";
        case STEP_PUT_REQUEST_ID:
            return "asking the modem for its board";
        case STEP_OTHER_FILE_1:
        case STEP_OTHER_FILE_2:
            return "sending a file";
        case STEP_MACRO_FILE:
            return "sending the macro file";
        case STEP_GET_FILES:
        case STEP_GET_CONFIG_FILES:
            return "reading the modem's files";
        case STEP_SHOW_UPGRADE_STATUS:
            return "waiting for the modem to finish its update";
        case STEP_SHOW_MODEM_INFO:
            return "showing the modem's information";
        default:
            return "preparing the run";
    }
}

// Blocks acknowledged of the transfer's blocks: block n is out while n - 1 are through.
std::string BlocksDone(const TftpClient& client) {
    int done = client.blockNumber > 0 ? client.blockNumber - 1 : 0;
    return std::to_string(done) + " of " + std::to_string(client.lastBlock) + " blocks";
}

std::string SentName(const TftpClient& client) {
    // The entries of a pack go out under their own names.
    if (client.packMode && g_nPackEntry >= 0 && g_nPackEntry < g_nPackEntries)
        return g_aPackEntries[g_nPackEntry].name.str();
    return client.remoteName;
}

std::string BytesRead(const TftpClient& client) {
    const ReceiveList& list = client.receiveList;
    std::uint32_t bytes = list.Position() > 0 ? list.Bytes(list.Position() - 1) : 0;
    return std::to_string(bytes) + " bytes";
}

}  // namespace

std::string DescribeStep(int step) {
    return StepWords(step);
}

std::string DescribeRunInProgress(const TftpClient& client) {
    const RunObserver& observer = TheRunObserver();
    if (observer.Phase() != RunPhase::kRunning) return {};
    int step = observer.Step();
    std::string text = StepWords(step);
    switch (step) {
        case STEP_SEND_IMAGE:
        case STEP_SEND_FILES:
        case STEP_OTHER_FILE_1:
        case STEP_OTHER_FILE_2:
        case STEP_MACRO_FILE:
            return text + ", " + SentName(client) + ": " + BlocksDone(client);
        case STEP_GET_FILES:
        case STEP_GET_CONFIG_FILES:
            return text + ", " + client.remoteName + ": " + BytesRead(client);
        default:
            if (IsCommandFileIndex(step))
                return text + ", " + CommandFileTable[step].remoteName + ": " + BlocksDone(client);
            return text;
    }
}

std::string InterruptedRunReport(const TftpClient& client) {
    std::string what = DescribeRunInProgress(client);
    if (what.empty()) return {};
    std::string report = "Interrupted: " + what + ".";
    if (TheRunObserver().UpdateBracketOpen()) report += std::string("\n") + kUpdateModeText;
    return report;
}
