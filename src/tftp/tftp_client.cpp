// The client's socket, its sending paths and its receive dispatch, acknowledgements and
// errors. The send path lives in tftp_client_send.cpp, reads in tftp_client_receive.cpp,
// command files in tftp_client_commands.cpp.
#include "tftp/tftp_client.h"

#include <climits>
#include <cstdio>

#include "framework/desktop.h"
#include "framework/event_loop.h"
#include "tftp/client_texts.h"
#include "tftp/command_files.h"
#include "tftp/engine_globals.h"
#include "tftp/host_hooks.h"
#include "tftp/run_observer.h"
#include "tftp/step_codes.h"

TftpClient::TftpClient() = default;

TftpClient::~TftpClient() { CloseLocalFile(); }

bool TftpClient::SetBindDevice(const std::string& device) {
    bindDevice_ = device;
    if (!IsOpen() || device.empty()) return true;
    return BindToDevice(device);
}

bool TftpClient::CreateClientSocket() {
    if (!Create(0)) return false;
    if (!bindDevice_.empty() && !BindToDevice(bindDevice_)) {
        LogMessage(kLogBindDeviceFail);
        return false;
    }
    return true;
}

bool TftpClient::EnableBroadcast() {
    if (!SetSockOpt(fw::SO_BROADCAST_OPT, 1)) {
        EngineMessageBox(FormatText(kSockOptBroadcastText, GetLastError()), fw::MB_ICONSTOP);
        return false;
    }
    if (!SetSockOpt(fw::SO_REUSEADDR_OPT, 1)) {
        EngineMessageBox(FormatText(kSockOptReuseText, GetLastError()), fw::MB_ICONSTOP);
        return false;
    }
    return true;
}

void TftpClient::BeginOperation() {
    retryBudget = GetRetryCount();
    timeoutSeconds = GetTimeoutSeconds();
    // A configuration pack still being received belongs to an operation given up.
    if (packFileOpen_) CloseLocalFile();
    packMode = false;
    infoMode = false;
    transferKind = 0;
    ClearFileList();
    lastRequest_ = {};
    resendAfterUnlock_ = {};
    read_ = {};
    configSaved_ = false;
    packDiscarded_ = false;
}

// ---------------------------------------------------------------------------------------
// Sending

bool TftpClient::SendPacket(const tftp::Bytes& datagram) {
    if (g_bUnicast == 0) return SendBroadcast(datagram);
    int sent = SendTo(datagram.data(), static_cast<int>(datagram.size()), peerPort,
                      peerAddress.c_str());
    if (sent == fw::SOCKET_ERROR) return false;
    TheRunObserver().NoteSent();
    return true;
}

bool TftpClient::SendBroadcast(const tftp::Bytes& datagram) {
    NoteExpectedReply(datagram);
    int delay = GetBroadcastDelay();
    if (delay > 0) fw::MainLoop().SleepBlocking(delay);
    int sent = SendTo(datagram.data(), static_cast<int>(datagram.size()), peerPort,
                      "255.255.255.255");
    if (sent == fw::SOCKET_ERROR) return false;
    TheRunObserver().NoteSent();
    return true;
}

void TftpClient::NoteExpectedReply(const tftp::Bytes& datagram) {
    tftp::Header h = tftp::ParseHeader(datagram.data(), datagram.size());
    switch (h.opcode) {
        case tftp::RRQ:
            expectedOpcode = tftp::DATA;
            expectedBlock = 1;
            break;
        case tftp::WRQ:
            expectedOpcode = tftp::ACK;
            expectedBlock = 0;
            break;
        case tftp::DATA:
            expectedOpcode = tftp::ACK;
            expectedBlock = h.field;
            break;
        default:
            expectedOpcode = 0;  // after our ACK anything may come
            break;
    }
}

// The time-outs of kinds 2 and 3 come from the "Timeout:" box in seconds; a text that is
// not a number gives 0 and so a timer that expires at once.
void TftpClient::ArmTimer(int kind) {
    long long ms = static_cast<long long>(timeoutSeconds) * 1000;
    if (ms < 0) ms = 0;
    if (ms > INT_MAX) ms = INT_MAX;
    StartResponseTimer(static_cast<int>(ms), kind);
}

bool TftpClient::SendAckOf(std::uint16_t block) {
    lastAck_ = block;
    if (SendPacket(tftp::BuildAck(block))) return true;
    LogMessage(kLogSendAckFail);
    ArmTimer(2);
    return false;
}

bool TftpClient::SendAck() {
    if (!SendAckOf(lastAck_)) return false;
    // The re-sent acknowledgement waits for the next block like the first one did.
    ArmTimer(2);
    return true;
}

bool TftpClient::SendWriteRequest(const std::string& name) {
    return SendPacket(tftp::BuildRequest(tftp::WRQ, name));
}

// ---------------------------------------------------------------------------------------
// Receiving

void TftpClient::OnReceive(int /*error_code*/) {
    std::uint8_t buf[tftp::kReceiveBuffer];
    std::string address;
    unsigned port = 0;
    int n = ReceiveFrom(buf, sizeof buf, address, port);
    if (n == fw::SOCKET_ERROR || n <= 0) return;
    tftp::Header h = tftp::ParseHeader(buf, static_cast<std::size_t>(n));
    if (!h.valid) {
        LogMessage(FormatText(kLogShortDatagram, address.c_str(), port).c_str());
        return;
    }
    // Only the modem may steer a unicast transfer: another host's datagram would otherwise
    // redirect it.
    if (g_bUnicast != 0 && address != g_szModemAddress.str()) {
        LogMessage(FormatText(kLogStranger, address.c_str(), port).c_str());
        return;
    }
    if (IsLogEnabled()) LogMessage(tftp::ReceiveLogLine(address, port, h.opcode, h.field).c_str());
    // The last DATA of a finished read, again: our final ACK was lost. Answer it without
    // disturbing the transfer that has begun since.
    if (h.opcode == tftp::DATA && !read_.active && ReAckFinishedRead(address, port, h.field))
        return;
    peerAddress = address;
    peerPort = port;
    if (g_bUnicast == 0 && !AcceptedByFilter(h)) return;
    // An acknowledgement of an earlier block is the modem repeating itself while our block
    // is lost: it must not disarm the timer that will send that block again.
    if (h.opcode == tftp::ACK && h.field < blockNumber) return;
    // Nor may a datagram that changes nothing, a DATA block no read asked for or an opcode
    // we do not know: it would leave the run waiting for ever with nothing to say so.
    if (h.opcode == tftp::DATA && !read_.active) {
        LogMessage(kLogNoRead);
        return;
    }
    // A read waits for DATA: an acknowledgement now is the modem repeating the unlock key's
    // last one, and taking it would end the key's write a second time and skip a file.
    if (h.opcode == tftp::ACK && read_.active) {
        if (h.field == tftp::kCompletionBlock && g_bUpdateComplete == 0) g_bUpdateComplete = 1;
        LogMessage(kLogAckDuringRead);
        return;
    }
    if (h.opcode < tftp::DATA || h.opcode > tftp::ERROR) {
        LogMessage(FormatText(kLogUnknownPCode, static_cast<int>(h.opcode)).c_str());
        return;
    }
    // Only answers the transfer takes count as traffic: strays must not hide a stalled run.
    TheRunObserver().NoteReceived();
    if (IsResponseTimerRunning()) StopResponseTimer();
    std::size_t length = static_cast<std::size_t>(n);
    switch (h.opcode) {
        case tftp::DATA:
            OnData(h.field, buf + 4, length - 4);
            break;
        case tftp::ACK:
            OnAck(h.field, tftp::TrailingText(buf, length));
            break;
        case tftp::ERROR:
            OnError(tftp::TrailingText(buf, length));
            break;
        default:
            LogMessage(FormatText(kLogUnknownPCode, static_cast<int>(h.opcode)).c_str());
            break;
    }
}

bool TftpClient::AcceptedByFilter(const tftp::Header& h) const {
    if (h.opcode == tftp::ACK && h.field == tftp::kCompletionBlock) return true;
    if (h.opcode == tftp::ERROR) return true;
    if (expectedOpcode == 0) return true;
    return h.opcode == expectedOpcode && h.field == expectedBlock;
}

void TftpClient::OnAck(std::uint16_t block, const std::string& text) {
    if (block == tftp::kCompletionBlock && g_bUpdateComplete == 0) g_bUpdateComplete = 1;
    if (block > blockNumber) {
        // The modem reports completion only once it has the end marker: while the marker's
        // own acknowledgement is awaited (lost), the report stands for it, or the run would
        // wait for an answer that is not coming.
        if (block == tftp::kCompletionBlock && transferKind == 1 &&
            commandIndex == STEP_PUT_UPDATE_END && blockNumber == lastBlock) {
            TransferDone();
            return;
        }
        ResetTransfer();
        return;
    }
    if (block < blockNumber) return;
    if (blockNumber == lastBlock) {
        TransferDone();
        return;
    }
    ++blockNumber;
    StepProgress();
    if (commandIndex == 0) {
        if (!SendData()) {
            ResetTransfer();
            LogMessage(kLogSendDataFail);
            TheRunObserver().NoteStopped(kLogSendDataFail);
        }
        return;
    }
    if (block == 0 && commandIndex == kRequestIdIndex && !IsCompatibleBoard(text)) {
        fw::FixedText<100> message(FormatText(kNotCompatibleText, text.c_str()));
        OnError(message.str());
        ResetTransfer();
        return;
    }
    SendCommandData();
}

void TftpClient::TransferDone() {
    if (transferKind == 1 && commandIndex == STEP_PUT_UPDATE_END)
        TheRunObserver().NoteBracketClosed();
    if (transferKind == 1 && commandIndex == kUnlockKeyIndex) {
        // The unlock key leaves counter, command index and an open pack file as they are:
        // the reads between which it is written rely on that.
        if (resendAfterUnlock_.kind != Request::kNone) {
            ResendAfterUnlock();
            return;
        }
        RunSequencer();
        return;
    }
    if (file.IsOpen()) {
        LogMessage("OnAck End.");
        CloseLocalFile();
    }
    ResetTransfer();
    RunSequencer();
}

void TftpClient::OnError(const std::string& text) {
    LogMessage(text.c_str());
    if (tftp::StartsWith(text, tftp::kAlreadyUpdating) ||
        tftp::StartsWith(text, tftp::kNoSuchFile)) {
        read_.active = false;
        lastRequest_ = {};
        if (resendAfterUnlock_.kind != Request::kNone &&
            transferKind == 1 && commandIndex == kUnlockKeyIndex) {
            ResendAfterUnlock();
            return;
        }
        RunSequencer();
        return;
    }
    resendAfterUnlock_ = {};
    lastRequest_ = {};
    read_.active = false;
    CloseLocalFile();
    ResetTransfer();
    ShowStopMessage(text);
}

void TftpClient::ResetTransfer() {
    CloseLocalFile();
    blockNumber = 0;
    commandIndex = 0;
}

void TftpClient::CloseLocalFile() {
    if (!file.IsOpen()) return;
    file.Close();
    if (packFileOpen_) {
        // Closed before FinishPackFile: the read did not complete, so the destination keeps
        // whatever it held and the partial pack goes.
        packFileOpen_ = false;
        packDiscarded_ = true;
        std::remove(packTemp_.c_str());
    }
}

void TftpClient::AbandonTransfer() {
    resendAfterUnlock_ = {};
    lastRequest_ = {};
    read_.active = false;
    if (packFileOpen_) CloseLocalFile();
}

// ---------------------------------------------------------------------------------------
// Retrying an unanswered request

void TftpClient::RetryUnansweredRequest() {
    if (lastRequest_.kind != Request::kNone &&
        !(lastRequest_.kind == Request::kCommand && lastRequest_.index == kUnlockKeyIndex)) {
        resendAfterUnlock_ = lastRequest_;
    }
    PutCommandFile(kUnlockKeyIndex);
}

void TftpClient::ResendAfterUnlock() {
    Request r = resendAfterUnlock_;
    resendAfterUnlock_ = {};
    switch (r.kind) {
        case Request::kCommand:
            PutCommandFile(r.index);
            break;
        case Request::kRead:
            SendReadRequest(r.name);
            break;
        case Request::kFileWrite: {
            transferKind = 2;
            commandIndex = 0;
            blockNumber = 0;
            lastBlock = r.lastBlock;
            peerAddress = g_szModemAddress.str();
            peerPort = modemPort_;
            ResetProgress(lastBlock);
            StepProgress();
            lastRequest_ = r;
            if (!SendWriteRequest(r.name)) {
                ShowStopMessage(kCannotSendText);
                return;
            }
            StartResponseTimer(1000, 1);
            break;
        }
        case Request::kNone:
            break;
    }
}
