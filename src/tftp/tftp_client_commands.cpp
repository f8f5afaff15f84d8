// Command files: one-block writes of reserved names that steer the modem, and the board
// check attached to "RequestID".
#include <cstring>

#include "formats/compatible_list.h"
#include "tftp/client_texts.h"
#include "tftp/command_files.h"
#include "tftp/engine_globals.h"
#include "tftp/host_hooks.h"
#include "tftp/run_observer.h"
#include "tftp/step_codes.h"
#include "tftp/tftp_client.h"

bool TftpClient::PutCommandFile(int index) {
    if (!IsCommandFileIndex(index)) return false;
    peerAddress = g_szModemAddress.str();
    transferKind = TransferKind::kCommandFile;
    commandIndex = index;
    peerPort = modemPort_;
    lastBlock = 1;
    ResetProgress(1);
    StepProgress();
    blockNumber = 0;
    BeginTransfer(Transfer::kWrite, CommandFileTable[index].remoteName);
    lastRequest_ = {Request::kCommand, index, {}, 0};
    if (!SendWriteRequest(CommandFileTable[index].remoteName)) {
        StopRun(kCannotSendText);
        return false;
    }
    StartResponseTimer(1000, TimerKind::kFirstAnswer);
    return true;
}

// DATA 1 of a command file. Its acknowledgement is awaited like any block's, so a lost
// datagram is retried instead of leaving the run waiting with nothing reported.
bool TftpClient::SendCommandData() {
    std::string content = CommandFileData(commandIndex);
    if (!SendPacket(tftp::BuildData(1, content.data(), content.size()))) return false;
    // From here on a completion report belongs to this run's upgrade.
    if (commandIndex == STEP_PUT_UPDATE_END) endMarkerSent_ = true;
    ArmTimer(TimerKind::kBlockAck);
    return true;
}

bool TftpClient::IsCompatibleBoard(const std::string& board) {
    char list[kMaxCompatibleList + 1] = {};
    auto log = [](const std::string& text) { LogMessage(text.c_str()); };
    auto box = [](const std::string& text, unsigned flags) { EngineMessageBox(text, flags); };
    int count = ReadCompatibleList(sourcePath, list, sizeof list, log, box);
    const char* p = list;
    const char* end = list + kMaxCompatibleList;
    for (int i = 0; i < count && p < end; ++i) {
        std::size_t n = strnlen(p, static_cast<std::size_t>(end - p));
        if (std::string_view(p, n) == board) return true;
        p += n + 1;
    }
    return false;
}
