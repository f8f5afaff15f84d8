// The send path: a file sent whole, or a pack sent entry by entry, each entry a write
// transfer of its own under the entry's name.
#include <algorithm>
#include <string_view>

#include "formats/formats.h"
#include "formats/image_check.h"
#include "formats/pack_table.h"
#include "tftp/client_texts.h"
#include "tftp/engine_globals.h"
#include "tftp/host_hooks.h"
#include "tftp/run_observer.h"
#include "tftp/step_codes.h"
#include "tftp/tftp_client.h"

namespace {

constexpr std::string_view kCriteriaEntry = "hw.cond";

}  // namespace

SendStart TftpClient::StartFileSend(SendKind kind) {
    peerAddress = g_szModemAddress.str();
    transferKind = TransferKind::kFileSend;
    if (kind == SendKind::kNextEntry) {
        if (!packMode) return SendStart::kNothingToSend;
        if (!NextEntryToSend()) {
            packMode = false;
            return SendStart::kNothingToSend;
        }
    } else {
        packMode = false;
    }
    CloseLocalFile();
    if (!file.Open(sourcePath, fw::CFile::modeRead | fw::CFile::shareDenyWrite)) {
        ShowStopMessage(kCannotOpenText);
        return SendStart::kFailed;
    }
    if (kind == SendKind::kNextEntry) return StartEntrySend();
    if (kind == SendKind::kWholeFile) return StartWholeSend();
    std::string magic = ReadMagic(file);
    if (magic == kMagicPack || magic == kMagicPk11) return StartPackSend(magic);
    if (magic == kMagicImage || remoteName != "image") return StartWholeSend();
    FailSend(kImageNotCorrectText);
    return SendStart::kFailed;
}

// Reads the table, queues one STEP_SEND_FILES for every further entry to send and starts
// the first. The criteria entry, when held back, is simply passed over wherever it stands.
SendStart TftpClient::StartPackSend(const std::string& magic) {
    if (!ReadPackTable(file, magic)) {
        FailSend(kImageNotCorrectText);
        return SendStart::kFailed;
    }
    if (const char* why = CheckPackEntries(g_aPackEntries, g_nPackEntries, file.GetLength())) {
        FailSend(why);
        return SendStart::kFailed;
    }
    skipCriteria_ = IsCriteriaFileSkipped();
    int to_send = 0;
    for (int i = 0; i < g_nPackEntries; ++i) {
        if (!(skipCriteria_ && g_aPackEntries[i].name == kCriteriaEntry)) ++to_send;
    }
    if (to_send == 0) {
        CloseLocalFile();
        return SendStart::kNothingToSend;
    }
    for (int i = 1; i < to_send; ++i) PushPriorityStep(STEP_SEND_FILES);
    g_nPackEntry = -1;
    NextEntryToSend();
    packMode = true;
    return StartEntrySend();
}

bool TftpClient::NextEntryToSend() {
    for (int i = g_nPackEntry + 1; i < g_nPackEntries; ++i) {
        if (skipCriteria_ && g_aPackEntries[i].name == kCriteriaEntry) continue;
        g_nPackEntry = i;
        return true;
    }
    g_nPackEntry = g_nPackEntries;
    return false;
}

SendStart TftpClient::StartEntrySend() {
    const PackEntry& entry = g_aPackEntries[g_nPackEntry];
    // The file is opened anew for every entry: it must still hold the entry whole.
    if (static_cast<long long>(entry.offset) + entry.length > file.GetLength()) {
        FailSend(kPackTruncatedText);
        return SendStart::kFailed;
    }
    sendBase_ = entry.offset;
    SendStart result = SendFirstRequest(entry.name.str(), entry.length);
    if (result == SendStart::kStarted) {
        LogMessage(FormatText(kTotalBlockLine, g_nPackEntry, static_cast<int>(lastBlock)).c_str());
    }
    return result;
}

SendStart TftpClient::StartWholeSend() {
    sendBase_ = 0;
    return SendFirstRequest(remoteName, file.GetLength());
}

SendStart TftpClient::SendFirstRequest(const std::string& name, long long length) {
    // Block 65535 is the modem's completion report: the last block must stay below it.
    if (length < 0 || length >= kSendSizeLimit) {
        FailSend(kTooLargeText);
        return SendStart::kFailed;
    }
    sendLength_ = length;
    readNext_ = -1;
    lastBlock = static_cast<std::uint16_t>(length / 512 + 1);
    LogMessage(name.c_str());
    blockNumber = 0;
    ResetProgress(lastBlock);
    StepProgress();
    commandIndex = 0;
    peerPort = modemPort_;
    BeginTransfer(Transfer::kWrite, name);
    lastRequest_ = {Request::kFileWrite, 0, name, lastBlock};
    if (!SendWriteRequest(name)) {
        transfer_.kind = Transfer::kNone;
        FailSend(kCannotSendText);
        return SendStart::kFailed;
    }
    // Guarded like every other request, so that a lost one is retried.
    ArmFileRequestTimer();
    return SendStart::kStarted;
}

void TftpClient::FailSend(const char* message) {
    CloseLocalFile();
    packMode = false;
    ShowStopMessage(message);
}

void TftpClient::SendBlockOrStop() {
    const char* why = SendBlock();
    if (why == nullptr) return;
    LogMessage(kLogSendDataFail);
    StopRun(why);
}

const char* TftpClient::SendBlock() {
    if (commandIndex != 0) return SendCommandData() ? nullptr : kCannotSendText;
    std::size_t len = 0;
    if (!ReadBlock(blockDatagram_ + 4, &len)) return kCannotReadText;
    tftp::PutHeader(blockDatagram_, tftp::DATA, blockNumber);
    if (!SendPacket(blockDatagram_, 4 + len)) return kCannotSendText;
    // The last block is guarded too: its acknowledgement may be lost like any other.
    ArmTimer(TimerKind::kBlockAck);
    return nullptr;
}

// Block n of the file or entry: never a byte past its end, so no byte of the next entry.
bool TftpClient::ReadBlock(std::uint8_t* buf, std::size_t* len) {
    if (!file.IsOpen() || blockNumber == 0) return false;
    long long done = static_cast<long long>(blockNumber - 1) * tftp::kBlockSize;
    long long left = std::max(0LL, sendLength_ - done);
    std::size_t want = static_cast<std::size_t>(std::min<long long>(left, tftp::kBlockSize));
    // Blocks normally follow one another: the seek (a system call) is needed only after
    // a go-back or when the transfer starts. The file's own buffer reads ahead.
    long long at = sendBase_ + done;
    if (at != readNext_ && file.Seek(at, fw::CFile::begin) < 0) {
        readNext_ = -1;
        return false;
    }
    long long got = want ? file.Read(buf, want) : 0;
    if (got < 0 || static_cast<std::size_t>(got) != want) {
        readNext_ = -1;
        return false;
    }
    readNext_ = at + got;
    *len = want;
    return true;
}
