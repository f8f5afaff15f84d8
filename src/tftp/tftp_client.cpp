// The client's sockets, its sending paths and its receive dispatch: which transfer a
// datagram belongs to, acknowledgements and errors. The send path lives in
// tftp_client_send.cpp, reads in tftp_client_receive.cpp, command files in
// tftp_client_commands.cpp.
#include "tftp/tftp_client.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "framework/desktop.h"
#include "framework/event_loop.h"
#include "tftp/client_texts.h"
#include "tftp/command_files.h"
#include "tftp/engine_globals.h"
#include "tftp/host_hooks.h"
#include "tftp/run_observer.h"
#include "tftp/step_codes.h"

namespace {

// Earlier local ports kept open for late answers that still deserve one: a finished read's
// last DATA again, the completion report. A late answer is due within a few time-outs.
constexpr std::size_t kKeptPorts = 4;

// A port may be closed from inside its own notification: it is destroyed later, on the loop.
void Retire(std::unique_ptr<ClientPort> port) {
    port->Close();
    std::shared_ptr<ClientPort> keep(std::move(port));
    fw::MainLoop().Post([keep] {});
}

}  // namespace

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
    broadcastEnabled_ = true;
    return true;
}

void TftpClient::BeginOperation() {
    retryBudget = GetRetryCount();
    timeoutSeconds = GetTimeoutSeconds();
    // A configuration pack still being received belongs to an operation given up.
    if (packFileOpen_) CloseLocalFile();
    packMode = false;
    infoMode = false;
    transferKind = TransferKind::kNone;
    ClearFileList();
    lastRequest_ = {};
    resendAfterUnlock_ = {};
    transfer_ = {};
    earlierPeers_.clear();
    finishedReads_.clear();
    endMarkerSent_ = false;
    configSaved_ = false;
    packDiscarded_ = false;
    // A new run talks from the client's own port again.
    CloseFreshPorts();
}

// ---------------------------------------------------------------------------------------
// Local ports

fw::CAsyncSocket* TftpClient::PortById(int id) {
    if (id == 0) return this;
    for (auto& p : freshPorts_) {
        if (p->Id() == id) return p.get();
    }
    return nullptr;
}

void TftpClient::OpenFreshPort() {
    auto port = std::make_unique<ClientPort>(*this, nextPortId_++);
    port->SetStack(Stack());
    if (!port->Create(0) || (!bindDevice_.empty() && !port->BindToDevice(bindDevice_))) {
        LogMessage(kLogFreshPortFail);  // the retry goes out from the port in use
        return;
    }
    if (broadcastEnabled_) {
        port->SetSockOpt(fw::SO_BROADCAST_OPT, 1);
        port->SetSockOpt(fw::SO_REUSEADDR_OPT, 1);
    }
    sendPort_ = port->Id();
    freshPorts_.push_back(std::move(port));
    if (freshPorts_.size() > kKeptPorts) {
        Retire(std::move(freshPorts_.front()));
        freshPorts_.erase(freshPorts_.begin());
    }
}

void TftpClient::CloseFreshPorts() {
    for (auto& p : freshPorts_) Retire(std::move(p));
    freshPorts_.clear();
    sendPort_ = 0;
}

// ---------------------------------------------------------------------------------------
// Sending

bool TftpClient::SendPacket(const tftp::Bytes& datagram) {
    return SendPacket(datagram.data(), datagram.size());
}

bool TftpClient::SendPacket(const std::uint8_t* datagram, std::size_t length) {
    if (g_bUnicast == 0) return SendBroadcast(datagram, length);
    fw::CAsyncSocket* port = PortById(sendPort_);
    if (port == nullptr) return false;
    int size = static_cast<int>(length);
    std::optional<fw::Endpoint> to = PeerEndpoint();
    // Text that is no address fails the way the socket tells it.
    int sent = to ? port->SendTo(datagram, size, *to)
                  : port->SendTo(datagram, size, peerPort, peerAddress.c_str());
    if (sent == fw::SOCKET_ERROR) return false;
    TheRunObserver().NoteSent();
    return true;
}

std::optional<fw::Endpoint> TftpClient::PeerEndpoint() {
    if (peerAddress != parsedPeerText_) {
        parsedPeerText_ = peerAddress;
        parsedPeer_ = fw::ParseIp(peerAddress.c_str());
    }
    if (!parsedPeer_ || peerPort > 65535) return std::nullopt;
    return fw::Endpoint{*parsedPeer_, static_cast<std::uint16_t>(peerPort)};
}

bool TftpClient::IsModemAddress(std::uint32_t address) {
    if (std::strcmp(modemAddressText_.c_str(), g_szModemAddress.c_str()) != 0) {
        modemAddressText_ = g_szModemAddress.c_str();
        modemAddress_ = fw::ParseIp(modemAddressText_);
        // Only the text a datagram's address is written out as names it.
        if (modemAddress_ && fw::FormatIp(*modemAddress_) != modemAddressText_) {
            modemAddress_.reset();
        }
    }
    return modemAddress_ && *modemAddress_ == address;
}

bool TftpClient::SendBroadcast(const std::uint8_t* datagram, std::size_t length) {
    NoteExpectedReply(datagram, length);
    int delay = GetBroadcastDelay();
    if (delay > 0) fw::MainLoop().SleepBlocking(delay);
    fw::CAsyncSocket* port = PortById(sendPort_);
    if (port == nullptr) return false;
    int sent = port->SendTo(datagram, static_cast<int>(length), peerPort, "255.255.255.255");
    if (sent == fw::SOCKET_ERROR) return false;
    TheRunObserver().NoteSent();
    return true;
}

void TftpClient::NoteExpectedReply(const std::uint8_t* datagram, std::size_t length) {
    tftp::Header h = tftp::ParseHeader(datagram, length);
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
void TftpClient::ArmTimer(TimerKind kind) {
    long long ms = static_cast<long long>(timeoutSeconds) * 1000;
    if (ms < 0) ms = 0;
    if (ms > INT_MAX) ms = INT_MAX;
    StartResponseTimer(static_cast<int>(ms), kind);
}

// The write request of a file waits as long as the Timeout setting allows, never less than
// a command file's second: a modem may erase its flash before it answers.
void TftpClient::ArmFileRequestTimer() {
    long long ms = static_cast<long long>(timeoutSeconds) * 1000;
    StartResponseTimer(static_cast<int>(std::clamp<long long>(ms, 1000, INT_MAX)),
                       TimerKind::kFirstAnswer);
}

bool TftpClient::SendAckOf(std::uint16_t block) {
    lastAck_ = block;
    if (SendPacket(tftp::BuildAck(block))) return true;
    LogMessage(kLogSendAckFail);
    ArmTimer(TimerKind::kNextBlock);
    return false;
}

bool TftpClient::SendAck() {
    if (!SendAckOf(lastAck_)) return false;
    // The re-sent acknowledgement waits for the next block like the first one did.
    ArmTimer(TimerKind::kNextBlock);
    return true;
}

bool TftpClient::SendWriteRequest(const std::string& name) {
    return SendPacket(tftp::BuildRequest(tftp::WRQ, name));
}

// A new transfer: it belongs to the port requests go out from now, and to no modem port yet.
void TftpClient::BeginTransfer(Transfer::Kind kind, const std::string& name) {
    transfer_ = {};
    transfer_.kind = kind;
    transfer_.port = sendPort_;
    transfer_.name = name;
    long long bytes = 0;
    if (kind == Transfer::kWrite) {
        bytes = transferKind == TransferKind::kFileSend ? sendLength_
                                  : static_cast<long long>(CommandFileData(commandIndex).size());
    }
    TheRunObserver().NoteTransferBegun(name, kind == Transfer::kWrite, bytes);
}

// ---------------------------------------------------------------------------------------
// Receiving

void TftpClient::OnReceive(int /*error_code*/) { ReceiveOn(*this, 0); }

void TftpClient::ReceiveOn(fw::CAsyncSocket& socket, int port) {
    std::uint8_t buf[tftp::kReceiveBuffer];
    fw::Endpoint from;
    int n = socket.ReceiveFrom(buf, sizeof buf, from);
    if (n == fw::SOCKET_ERROR || n <= 0) return;
    auto peer = static_cast<unsigned>(from.port);
    tftp::Header h = tftp::ParseHeader(buf, static_cast<std::size_t>(n));
    if (!h.valid) {
        LogMessage(FormatText(kLogShortDatagram, fw::FormatIp(from.addr).c_str(), peer).c_str());
        return;
    }
    // Only the modem may steer a unicast transfer: another host's datagram would otherwise
    // redirect it.
    if (g_bUnicast != 0 && !IsModemAddress(from.addr)) {
        LogMessage(FormatText(kLogStranger, fw::FormatIp(from.addr).c_str(), peer).c_str());
        return;
    }
    if (IsLogEnabled()) {
        LogMessage(tftp::ReceiveLogLine(fw::FormatIp(from.addr), peer, h.opcode, h.field).c_str());
    }
    if (h.opcode < tftp::DATA || h.opcode > tftp::ERROR) {
        LogMessage(FormatText(kLogUnknownPCode, static_cast<int>(h.opcode)).c_str());
        return;
    }
    // The modem's report that its update is done comes from wherever it sends it from.
    if (h.opcode == tftp::ACK && h.field == tftp::kCompletionBlock) {
        OnCompletionReport();
        return;
    }
    Datagram d{port, from, h, buf, static_cast<std::size_t>(n)};
    const char* why = WhyNotOurs(d);
    if (why == nullptr) why = WhyNotInTurn(d);
    if (why == nullptr) {
        Take(d);
        return;
    }
    // The last DATA of a finished read, again: our final ACK was lost. Answer it without
    // disturbing the transfer that has begun since.
    if (h.opcode == tftp::DATA && ReAckFinishedRead(d)) return;
    if (*why) LogMessage(why);
}

// Whether the datagram belongs to the transfer in progress at all: to its local port and to
// the modem port that answered its request (any modem port not already heard from in this
// run, while the answer is awaited).
const char* TftpClient::WhyNotOurs(const Datagram& d) const {
    if (transfer_.kind == Transfer::kNone) return kLogNoTransfer;
    if (d.port != transfer_.port) return kLogAbandonedPort;
    if (transfer_.bound) return d.from == transfer_.peer ? nullptr : kLogOtherTransfer;
    if (d.from.port == modemPort_) return nullptr;
    for (const fw::Endpoint& earlier : earlierPeers_) {
        if (earlier == d.from) return kLogOtherTransfer;
    }
    return nullptr;
}

// Whether it is what the transfer waits for: the acknowledgement of the block just sent, the
// block that follows the last one taken (or that one again), or an error. Empty text: a
// repetition that is simply passed over.
const char* TftpClient::WhyNotInTurn(const Datagram& d) const {
    const tftp::Header& h = d.header;
    if (h.opcode == tftp::ERROR) return nullptr;
    if (transfer_.kind == Transfer::kWrite) {
        if (h.opcode != tftp::ACK) return kLogDataDuringWrite;
        // An acknowledgement of an earlier block is the modem repeating itself while our
        // block is on its way: it must not disarm the timer that will send it again.
        if (h.field < blockNumber) return "";
        if (h.field > blockNumber) return kLogAckAhead;
        return nullptr;
    }
    // A read waits for DATA: an acknowledgement now is the modem repeating an earlier one.
    if (h.opcode != tftp::DATA) return kLogAckDuringRead;
    if (transfer_.lastTaken != 0 && h.field == transfer_.lastTaken) return nullptr;
    if (h.field != static_cast<std::uint16_t>(transfer_.lastTaken + 1) || h.field == 0)
        return kLogWrongBlock;
    return nullptr;
}

void TftpClient::Take(const Datagram& d) {
    bool first_answer = !transfer_.bound;
    if (first_answer) {
        transfer_.bound = true;
        transfer_.peer = d.from;
        if (d.from.port != modemPort_) earlierPeers_.push_back(d.from);
        // Every datagram the transfer takes from now on comes from there.
        peerAddress = fw::FormatIp(d.from.addr);
        peerPort = d.from.port;
    }
    // Only answers the transfer takes count as traffic: strays must not hide a stalled run.
    TheRunObserver().NoteReceived();
    // An acknowledgement that moves a file send on is answered at once with the next block,
    // which sets the timer anew (or stops it, failing): nothing runs the loop in between.
    bool next_block_follows =
        d.header.opcode == tftp::ACK && commandIndex == 0 && blockNumber != lastBlock;
    if (!next_block_follows && IsResponseTimerRunning()) StopResponseTimer();
    switch (d.header.opcode) {
        case tftp::DATA:
            OnData(d.header.field, d.bytes + 4, d.length - 4);
            break;
        case tftp::ACK:
            OnAck(d.header.field, tftp::TrailingText(d.bytes, d.length));
            break;
        default:
            OnError(tftp::TrailingText(d.bytes, d.length), first_answer);
            break;
    }
}

// The modem's completion report. Before this run's end marker has gone out it belongs to an
// earlier upgrade. It may come while the end marker still waits for its acknowledgement
// (lost): the modem reports completion only once it has the marker, so the report stands
// for it.
void TftpClient::OnCompletionReport() {
    if (!endMarkerSent_) {
        LogMessage(kLogEarlierReport);
        return;
    }
    TheRunObserver().NoteReceived();
    if (g_bUpdateComplete == 0) g_bUpdateComplete = 1;
    if (transfer_.kind == Transfer::kWrite && transferKind == TransferKind::kCommandFile &&
        commandIndex == STEP_PUT_UPDATE_END && blockNumber == lastBlock) {
        if (IsResponseTimerRunning()) StopResponseTimer();
        TransferDone();
    }
}

void TftpClient::OnAck(std::uint16_t /*block*/, const std::string& text) {
    if (blockNumber == lastBlock) {
        TransferDone();
        return;
    }
    bool board_request = blockNumber == 0 && commandIndex == kRequestIdIndex;
    ++blockNumber;
    StepProgress();
    if (commandIndex == 0) {
        SendBlockOrStop();
        return;
    }
    if (board_request && !IsCompatibleBoard(text)) {
        fw::FixedText<100> message(FormatText(kNotCompatibleText, text.c_str()));
        LogMessage(message.c_str());
        StopRun(message.str());
        return;
    }
    if (!SendCommandData()) StopRun(kCannotSendText);
}

void TftpClient::TransferDone() {
    TheRunObserver().NoteTransferEnded();
    transfer_.kind = Transfer::kNone;
    lastRequest_ = {};
    if (transferKind == TransferKind::kCommandFile && commandIndex == STEP_PUT_UPDATE_END)
        TheRunObserver().NoteBracketClosed();
    if (transferKind == TransferKind::kCommandFile && commandIndex == kUnlockKeyIndex) {
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

// An ERROR from the modem. The two known texts, as the answer to a command file's write or
// to a read request, let the plan go on; as the answer to a file's write request they mean
// the file was not sent, and anywhere else they end the transfer like any other text.
void TftpClient::OnError(const std::string& text, bool first_answer) {
    LogMessage(text.c_str());
    bool tolerated = tftp::StartsWith(text, tftp::kAlreadyUpdating) ||
                     tftp::StartsWith(text, tftp::kNoSuchFile);
    if (tolerated && first_answer && transfer_.kind == Transfer::kWrite && transferKind == TransferKind::kFileSend) {
        StopRun(FormatText(kNotSentText, transfer_.name.c_str(), text.c_str()));
        return;
    }
    if (!tolerated || !first_answer) {
        StopRun(text);
        return;
    }
    transfer_.kind = Transfer::kNone;
    lastRequest_ = {};
    if (resendAfterUnlock_.kind != Request::kNone && transferKind == TransferKind::kCommandFile &&
        commandIndex == kUnlockKeyIndex) {
        ResendAfterUnlock();
        return;
    }
    RunSequencer();
}

// The run stops here: the user is told why, and nothing of the transfer goes on.
void TftpClient::StopRun(const std::string& message) {
    resendAfterUnlock_ = {};
    lastRequest_ = {};
    transfer_.kind = Transfer::kNone;
    if (IsResponseTimerRunning()) StopResponseTimer();
    CloseLocalFile();
    ResetTransfer();
    ShowStopMessage(message);
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
    transfer_.kind = Transfer::kNone;
    if (packFileOpen_) CloseLocalFile();
}

// ---------------------------------------------------------------------------------------
// Retrying an unanswered request

// The answer to the abandoned request may still come, late: the unlock key and the request
// go out again from a fresh port, where nothing but their own answers arrives.
void TftpClient::RetryUnansweredRequest() {
    if (lastRequest_.kind != Request::kNone &&
        !(lastRequest_.kind == Request::kCommand && lastRequest_.index == kUnlockKeyIndex)) {
        resendAfterUnlock_ = lastRequest_;
    }
    transfer_.kind = Transfer::kNone;
    OpenFreshPort();
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
            if (!SendReadRequest(r.name)) StopRun(kCannotSendText);
            break;
        case Request::kFileWrite: {
            transferKind = TransferKind::kFileSend;
            commandIndex = 0;
            blockNumber = 0;
            lastBlock = r.lastBlock;
            peerAddress = g_szModemAddress.str();
            peerPort = modemPort_;
            ResetProgress(lastBlock);
            StepProgress();
            BeginTransfer(Transfer::kWrite, r.name);
            lastRequest_ = r;
            if (!SendWriteRequest(r.name)) {
                StopRun(kCannotSendText);
                return;
            }
            ArmFileRequestTimer();
            break;
        }
        case Request::kNone:
            break;
    }
}
