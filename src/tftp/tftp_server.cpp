// The server's socket, its table of transfers, the requests that fill it and the timer
// behind it. The blocks themselves move in tftp_server_blocks.cpp.
#include "tftp/tftp_server.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "framework/event_loop.h"
#include "tftp/host_hooks.h"
#include "tftp/server_transfer_report.h"

namespace {

// With 16-bit block numbers that never wrap, the last block of a file is at most 65535.
constexpr long long kTooLarge = 65535LL * static_cast<long long>(tftp::kBlockSize);
constexpr std::size_t kShownNameLength = 20;

const tftp::FileRefusal kAccessViolation{2, "Access violation"};
const tftp::FileRefusal kServerBusy{0, "Server busy"};
const tftp::FileRefusal kFileTooLarge{0, "File too large"};

// A requested name may only reach below the root: no absolute names, no ".." anywhere, and
// none of the names an upload's temporary file goes by.
bool IsSafeName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.back() == '/') return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string_view::npos) slash = name.size();
        std::string_view part = name.substr(start, slash - start);
        if (part == ".." || tftp::IsTemporaryName(part)) return false;
        start = slash + 1;
    }
    return true;
}

// Deadlines are set for every block: the time the loop woke for the datagram will do.
fw::Millis Now() {
    return fw::MainLoop().RoundTime();
}

}  // namespace

TftpServer::TftpServer() = default;

TftpServer::~TftpServer() {
    if (IsServerTimerRunning()) StopServerTimer();
    transfers.clear();  // an upload not yet in place is dropped with its transfer
}

bool TftpServer::CreateServerSocket(unsigned port, const char* address) {
    return Create(port, address);
}

const TftpServer::Transfer* TftpServer::FindTransfer(std::string_view address,
                                                     unsigned port) const {
    for (const TransferPtr& t : transfers) {
        if (t->peerPort == port && t->peerAddress == address) return t.get();
    }
    return nullptr;
}

TftpServer::Transfer* TftpServer::Find(fw::Endpoint peer) const {
    for (const TransferPtr& t : transfers) {
        if (t->peer == peer) return t.get();
    }
    return nullptr;
}

std::size_t TftpServer::ActiveTransferCount() const {
    return static_cast<std::size_t>(
        std::count_if(transfers.begin(), transfers.end(),
                      [](const TransferPtr& t) { return t->state == State::kActive; }));
}

void TftpServer::Remove(Transfer* transfer) {
    if (progressOwner == transfer) progressOwner = nullptr;
    std::erase_if(transfers, [transfer](const TransferPtr& t) { return t.get() == transfer; });
    bool waiting = std::any_of(transfers.begin(), transfers.end(),
                               [](const TransferPtr& t) { return t->deadline >= 0; });
    if (!waiting && IsServerTimerRunning()) {
        StopServerTimer();
        timerDue = -1;
    }
}

void TftpServer::OnReceive(int /*error_code*/) {
    int length = ReceiveFrom(receiveBuffer, sizeof receiveBuffer, from);
    if (!serving) return;
    if (length <= 0) {
        LogMessage("TftpServer : Receive() Fail !\n");
        return;
    }
    fromPort = from.port;
    tftp::Header header = tftp::ParseHeader(receiveBuffer, static_cast<std::size_t>(length));
    if (!header.valid) return;  // no header to judge it by

    // Made only when it is kept: it would be made for every datagram.
    if (IsLogEnabled()) {
        std::string line =
            tftp::ReceiveLogLine(fw::FormatIp(from.addr), fromPort, header.opcode, header.field);
        LogMessage(line.c_str());
    }

    if (header.opcode == tftp::RRQ || header.opcode == tftp::WRQ) {
        auto request = tftp::ParseRequest(receiveBuffer, static_cast<std::size_t>(length));
        if (!request) return;  // a name without its zero: nothing safe to open
        fromAddress = fw::FormatIp(from.addr);
        OnRequest(*request);
        return;
    }
    if (header.opcode < tftp::DATA || header.opcode > tftp::ERROR) {
        // Nothing to act on, and no transfer's timer is stopped for it: a transfer left
        // without its timer would wait for ever.
        LogMessage("TftpServer : Unknown P-Code !\n");
        return;
    }
    Transfer* t = Find(from);
    // A finished write only answers a repeat of its last block, and goes quietly on an ERROR.
    bool finished = t && t->state == State::kFinished;
    if (finished && header.opcode == tftp::ERROR) {
        Remove(t);
        return;
    }
    if (!t || (finished && header.opcode == tftp::ACK)) {
        fromAddress = fw::FormatIp(from.addr);
        OnStranger(header);
        return;
    }
    switch (header.opcode) {
        case tftp::DATA:
            OnData(*t, header.field, receiveBuffer + 4, length);
            break;
        case tftp::ACK:
            OnAck(*t, header.field);
            break;
        default:
            OnError(*t, length);
            break;
    }
}

// Only the peer that made a request may move its transfer; anyone else is told so (never in
// answer to an ERROR, which must not be answered) and changes nothing, not even a timer.
void TftpServer::OnStranger(const tftp::Header& header) {
    LogMessage("TftpServer : Unknown Transfer ID !\n");
    if (header.opcode == tftp::ERROR) return;
    tftp::Bytes error = tftp::BuildError(5, "Unknown transfer ID");
    SendTo(error.data(), static_cast<int>(error.size()), from);
}

// An accepted request replaces its peer's own transfer; a refused one changes no transfer.
void TftpServer::OnRequest(const tftp::Request& request) {
    bool write = request.op == tftp::WRQ;
    const std::string& name = request.name;
    if (!(write ? IsServerWriteEnabled() : IsServerReadEnabled())) {
        Refuse(write, name, nullptr, kAccessViolation,
               write ? "Access violation (writing is off)" : "Access violation (reading is off)");
        return;
    }
    std::string full;
    if (!BuildFullPath(name, full)) {
        Refuse(write, name, "TftpServer : Illegal File Name !\n", kAccessViolation,
               "Access violation (illegal name)");
        return;
    }
    if (!write) LogMessage(full.c_str());
    if (!Find(from) && ActiveTransferCount() >= kMaxTransfers) {
        Refuse(write, name, "TftpServer : Server Busy !\n", kServerBusy, "Server busy");
        return;
    }

    auto t = std::make_unique<Transfer>();
    t->peerAddress = fromAddress;
    t->peerPort = fromPort;
    t->peer = from;
    t->sending = !write;
    t->name = name;
    t->retriesLeft = GetRetryCount();
    t->timeoutSeconds = GetTimeoutSeconds();
    t->started = Now();
    if (write ? !OpenWrite(*t) : !OpenRead(*t)) return;
    Transfer& installed = *t;
    Install(std::move(t));
    if (write) {
        StartWrite(installed);
    } else {
        StartRead(installed);
    }
}

bool TftpServer::Refuse(bool write, const std::string& name, const char* log_line,
                        const tftp::FileRefusal& refusal, const std::string& reason) {
    if (log_line) LogMessage(log_line);
    ServerTransferReport report;
    report.peerAddress = fromAddress;
    report.peerPort = fromPort;
    report.write = write;
    report.name = name;
    report.outcome = reason;
    ReportServerTransfer(report);  // before the peer is told, as for every transfer
    SendError(fromAddress, fromPort, refusal.code, refusal.text);
    return false;
}

bool TftpServer::BuildFullPath(const std::string& name, std::string& full) {
    ReadServerRootPath();
    // Empty: the current directory, never the filesystem root.
    if (rootPath.empty()) rootPath.assign(1, '.');
    if (rootPath.back() != '/') rootPath += '/';
    if (!IsSafeName(name)) return false;
    full = rootPath + name;
    return true;
}

bool TftpServer::OpenRead(Transfer& t) {
    const char* failed = "TftpServer : Open Read File Fail !\n";
    tftp::UniqueFd root(tftp::OpenRootDirectory(rootPath));
    int fd = root.IsOpen() ? tftp::OpenForReading(root.Get(), t.name) : -1;
    if (fd < 0) {
        tftp::FileRefusal refusal = tftp::RefusalFor(errno);
        return Refuse(false, t.name, failed, refusal, refusal.text);
    }
    t.file.Reset(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        tftp::FileRefusal refusal = tftp::RefusalFor(errno);
        return Refuse(false, t.name, failed, refusal, refusal.text);
    }
    t.length = st.st_size;
    if (t.length >= kTooLarge) {
        return Refuse(false, t.name, "TftpServer : File Too Large !\n", kFileTooLarge,
                      kFileTooLarge.text);
    }
    return true;
}

bool TftpServer::OpenWrite(Transfer& t) {
    tftp::UniqueFd root(tftp::OpenRootDirectory(rootPath));
    int error = root.IsOpen() ? t.upload.Begin(root.Get(), t.name) : errno;
    if (error == 0) return true;
    tftp::FileRefusal refusal = tftp::RefusalFor(error);
    return Refuse(true, t.name, "TftpServer : Open Write File Fail !\n", refusal, refusal.text);
}

// Takes the place of the peer's own transfer, or a new one; a full table first lets go of
// a transfer that no longer moves (a finished write, then a read that was given up).
void TftpServer::Install(TransferPtr transfer) {
    if (Transfer* old = Find(transfer->peer)) {
        if (old->state == State::kActive) Report(*old, "Replaced by a new request");
        Remove(old);
    }
    for (State idle : {State::kFinished, State::kGivenUp}) {
        if (transfers.size() < kMaxTransfers) break;
        auto it = std::find_if(transfers.begin(), transfers.end(),
                               [idle](const TransferPtr& t) { return t->state == idle; });
        if (it != transfers.end()) Remove(it->get());
    }
    transfers.push_back(std::move(transfer));
}

void TftpServer::StartRead(Transfer& t) {
    char text[96];
    std::snprintf(text, sizeof text, "Read:%.*s\nIP: %s", static_cast<int>(kShownNameLength),
                  t.name.c_str(), t.peerAddress.c_str());
    SetServerActivityOn(text);
    t.currentBlock = 1;
    t.lastBlock =
        static_cast<std::uint16_t>(t.length / static_cast<long long>(tftp::kBlockSize) + 1);
    progressOwner = &t;
    ResetProgress(t.lastBlock);
    StepProgress();
    // The first block is guarded like every other: a peer that vanishes after its request
    // must not keep its place for ever.
    if (SendData(t)) {
        Arm(t);
    } else if (t.deadline < 0) {
        EndTransfer(t, "Cannot read the file");
    }
}

void TftpServer::StartWrite(Transfer& t) {
    char text[96];
    std::snprintf(text, sizeof text, "Write: %.*s\nIP: %s", static_cast<int>(kShownNameLength),
                  t.name.c_str(), t.peerAddress.c_str());
    SetServerActivityOn(text);
    t.currentBlock = 0;
    SendAck(t);
    Arm(t);
}

void TftpServer::EndTransfer(Transfer& t, const std::string& outcome) {
    Report(t, outcome);
    char text[64];
    std::snprintf(text, sizeof text, "IP: %s \nFinished.", t.peerAddress.c_str());
    SetServerActivityOff(text);
    Remove(&t);
}

void TftpServer::Report(const Transfer& t, const std::string& outcome) const {
    ServerTransferReport report;
    report.peerAddress = t.peerAddress;
    report.peerPort = t.peerPort;
    report.write = !t.sending;
    report.name = t.name;
    report.bytes = t.bytes;
    report.elapsed = Now() - t.started;
    report.outcome = outcome;
    ReportServerTransfer(report);
}

// --- Timers --------------------------------------------------------------------------------

void TftpServer::Arm(Transfer& t) {
    long long ms = static_cast<long long>(t.timeoutSeconds) * 1000;
    t.deadline = Now() + std::clamp<long long>(ms, 0, INT_MAX);
    SetTimerFor(t.deadline);
}

void TftpServer::Disarm(Transfer& t) {
    t.deadline = -1;
}

// The window timer runs for the earliest deadline. A deadline that moves later leaves it as
// it is: it fires early, finds nothing due and is set again for the earliest one.
void TftpServer::SetTimerFor(fw::Millis deadline) {
    if (IsServerTimerRunning() && timerDue >= 0 && timerDue <= deadline) return;
    long long ms = std::clamp<long long>(deadline - Now(), 0, INT_MAX);
    StartServerTimer(static_cast<int>(ms), TimerKind::kBlockAck);
    timerDue = deadline;
}

void TftpServer::RearmForEarliest() {
    fw::Millis earliest = -1;
    for (const TransferPtr& t : transfers) {
        if (t->deadline >= 0 && (earliest < 0 || t->deadline < earliest)) earliest = t->deadline;
    }
    if (earliest >= 0) {
        SetTimerFor(earliest);
    } else if (IsServerTimerRunning()) {
        StopServerTimer();
    }
}

void TftpServer::Retransmit() {
    StopServerTimer();
    timerDue = -1;
    fw::Millis now = Now();
    std::vector<Transfer*> due;
    for (const TransferPtr& t : transfers) {
        if (t->deadline >= 0 && t->deadline <= now) due.push_back(t.get());
    }
    for (Transfer* t : due) {
        Disarm(*t);
        if (t->state == State::kFinished) {
            Remove(t);  // a repeat of its last block is not coming any more
        } else if (t->retriesLeft != 0) {
            Resend(*t);
        } else {
            GiveUp(*t);
        }
    }
    RearmForEarliest();
}

void TftpServer::Resend(Transfer& t) {
    if (t.sending) {
        SendData(t);
    } else {
        SendAck(t);
    }
    if (t.retriesLeft != INT_MIN) --t.retriesLeft;
    // Armed again whether the resend went out or not, until the budget is spent.
    Arm(t);
}

void TftpServer::GiveUp(Transfer& t) {
    SetServerActivityOff("Retry Fail.");
    if (progressOwner == nullptr || progressOwner == &t) ResetProgress(1);
    Report(t, "Timed out");
    if (t.sending) {
        t.state = State::kGivenUp;  // its file stays open: a late ACK still continues it
    } else {
        Remove(&t);  // a write given up leaves nothing half-received behind
    }
}
