#include "tftp/tftp_server.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "tftp/host_hooks.h"

namespace {

// With 16-bit block numbers that never wrap, the last block of a file is at most 65535.
constexpr long long kTooLarge = 65535LL * static_cast<long long>(tftp::kBlockSize);
constexpr std::size_t kShownNameLength = 20;
constexpr int kServerTimerKind = 3;
constexpr int kErrorLength = 128;

// A requested name may only reach below the root: no absolute names, no ".." anywhere.
bool IsSafeName(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.back() == '/') return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string_view::npos) slash = name.size();
        if (name.substr(start, slash - start) == "..") return false;
        start = slash + 1;
    }
    return true;
}

// Directories, devices and pipes are not files to serve: a pipe would block the one thread.
bool IsRegularFile(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Exists(const std::string& path, mode_t* mode) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return false;
    *mode = st.st_mode;
    return true;
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void Put16(std::uint8_t* at, unsigned value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

TftpServer::TftpServer() = default;

TftpServer::~TftpServer() {
    if (IsServerTimerRunning()) StopServerTimer();
    DiscardWrite();
    file.Close();
}

bool TftpServer::CreateServerSocket(unsigned port, const char* address) {
    return Create(port, address);
}

bool TftpServer::FromPeer() const {
    return peerPort != 0 && fromPort == peerPort && fromAddress == peerAddress.c_str();
}

void TftpServer::OnReceive(int /*error_code*/) {
    int length = ReceiveFrom(receiveBuffer, sizeof receiveBuffer, fromAddress, fromPort);
    if (!serving) return;
    if (length <= 0) {
        LogMessage("TftpServer : Receive() Fail !\n");
        return;
    }
    tftp::Header header = tftp::ParseHeader(receiveBuffer, static_cast<std::size_t>(length));
    if (!header.valid) return;  // no header to judge it by

    // Made only when it is kept: it would be made for every datagram.
    if (IsLogEnabled()) {
        std::string line =
            tftp::ReceiveLogLine(fromAddress, fromPort, header.opcode, header.field);
        LogMessage(line.c_str());
    }

    bool request = header.opcode == tftp::RRQ || header.opcode == tftp::WRQ;
    std::optional<tftp::Request> parsed;
    if (request) {
        parsed = tftp::ParseRequest(receiveBuffer, static_cast<std::size_t>(length));
        if (!parsed) return;  // a name without its zero: nothing safe to open
    } else if (!FromPeer()) {
        IgnoreStranger(header);
        return;
    }

    if (IsServerTimerRunning()) StopServerTimer();

    switch (header.opcode) {
        case tftp::RRQ:
        case tftp::WRQ:
            OnRequest(*parsed);
            break;
        case tftp::DATA:
            OnData(header.field, receiveBuffer + 4, length);
            break;
        case tftp::ACK:
            OnAck(header.field);
            break;
        case tftp::ERROR:
            OnError();
            break;
        default:
            LogMessage("TftpServer : Unknown P-Code !\n");
            break;
    }
}

// Only the peer that made the request may move its transfer; anyone else is told so (never
// in answer to an ERROR, which must not be answered) and changes nothing, not even the timer.
void TftpServer::IgnoreStranger(const tftp::Header& header) {
    LogMessage("TftpServer : Unknown Transfer ID !\n");
    if (header.opcode != tftp::DATA && header.opcode != tftp::ACK) return;
    tftp::Bytes error = tftp::BuildError(5, "Unknown transfer ID");
    SendTo(error.data(), static_cast<int>(error.size()), fromPort, fromAddress.c_str());
}

void TftpServer::OnRequest(const tftp::Request& request) {
    // A request from anyone replaces whatever the slot held.
    ClearSlot();
    finishedBlock = 0;
    peerAddress = fromAddress;
    peerPort = fromPort;
    bool read = request.op == tftp::RRQ;
    sending = read;
    retriesLeft = GetRetryCount();
    timeoutSeconds = GetTimeoutSeconds();
    if (read) {
        if (IsServerReadEnabled()) OnReadRequest(request.name);
    } else {
        if (IsServerWriteEnabled()) OnWriteRequest(request.name);
    }
}

bool TftpServer::BuildFullPath(const std::string& name, std::string& full) {
    ReadServerRootPath();
    if (rootPath.empty()) rootPath = ".";  // the current directory, never the filesystem root
    if (rootPath.back() != '/') rootPath += '/';
    if (!IsSafeName(name)) {
        LogMessage("TftpServer : Illegal File Name !\n");
        return false;
    }
    full = rootPath + name;
    return true;
}

void TftpServer::OnReadRequest(const std::string& name) {
    std::string full;
    if (!BuildFullPath(name, full)) return;
    LogMessage(full.c_str());
    using F = fw::CFile;
    if (!IsRegularFile(full) || !file.Open(full, F::modeRead | F::shareDenyWrite | F::typeBinary)) {
        LogMessage("TftpServer : Open Read File Fail !\n");
        return;
    }
    long long length = file.GetLength();
    if (length < 0) {
        file.Close();
        LogMessage("TftpServer : Open Read File Fail !\n");
        return;
    }
    if (length >= kTooLarge) {
        file.Close();
        LogMessage("TftpServer : File Too Large !\n");
        return;
    }
    char text[96];
    std::snprintf(text, sizeof text, "Read:%.*s\nIP: %s", static_cast<int>(kShownNameLength),
                  name.c_str(), peerAddress.c_str());
    SetServerActivityOn(text);

    filePosition = -1;
    currentBlock = 1;
    lastBlock = static_cast<std::uint16_t>(length / static_cast<long long>(tftp::kBlockSize) + 1);
    ResetProgress(lastBlock);
    StepProgress();
    SendData();  // the first block is not guarded: a lost one waits for the repeated request
}

void TftpServer::OnWriteRequest(const std::string& name) {
    std::string full;
    if (!BuildFullPath(name, full)) return;
    if (!OpenTempBeside(full)) {
        LogMessage("TftpServer : Open Write File Fail !\n");
        return;
    }
    char text[96];
    std::snprintf(text, sizeof text, "Write: %.*s\nIP: %s", static_cast<int>(kShownNameLength),
                  name.c_str(), peerAddress.c_str());
    SetServerActivityOn(text);

    currentBlock = 0;
    SendAck();
    ArmTimer();
}

// The received file grows under a hidden name in the target's own folder, so that the rename
// at the end is atomic and an interrupted upload never costs the file it would replace.
bool TftpServer::OpenTempBeside(const std::string& target) {
    mode_t mode = 0;
    bool exists = Exists(target, &mode);
    if (exists && !S_ISREG(mode)) return false;
    mode = exists ? (mode & 07777) : NewFileMode();

    std::size_t slash = target.rfind('/');
    std::string temp = target.substr(0, slash + 1) + "." + target.substr(slash + 1) + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    ::fchmod(fd, mode);
    ::close(fd);
    using F = fw::CFile;
    if (!file.Open(temp, F::modeCreate | F::modeWrite | F::shareExclusive | F::typeBinary)) {
        ::unlink(temp.c_str());
        return false;
    }
    tempPath = std::move(temp);
    targetPath = target;
    return true;
}

bool TftpServer::CommitWrite() {
    bool flushed = file.Flush();
    file.Close();
    if (!flushed || ::rename(tempPath.c_str(), targetPath.c_str()) != 0) return false;
    tempPath.clear();
    targetPath.clear();
    return true;
}

void TftpServer::DiscardWrite() {
    if (tempPath.empty()) return;
    file.Close();
    ::unlink(tempPath.c_str());
    tempPath.clear();
    targetPath.clear();
}

bool TftpServer::SendData() {
    Put16(sendBuffer, tftp::DATA);
    Put16(sendBuffer + 2, currentBlock);
    long long offset = (static_cast<long long>(currentBlock) - 1) * tftp::kBlockSize;
    bool ok = file.IsOpen() && !IsWriting() && offset >= 0;
    if (ok && offset != filePosition) ok = file.Seek(offset, fw::CFile::begin) == offset;
    long long got = ok ? file.Read(sendBuffer + 4, tftp::kBlockSize) : -1;
    if (got < 0) {
        filePosition = -1;
        LogMessage("TftpServer::SenData() File Operation Fail !\n");
        return false;
    }
    filePosition = offset + got;
    if (SendTo(sendBuffer, static_cast<int>(4 + got), peerPort, peerAddress.c_str()) ==
        fw::SOCKET_ERROR) {
        LogMessage("TftpServer : SendData() Fail !\n");
        ArmTimer();
        return false;
    }
    StepProgress();
    return true;
}

bool TftpServer::SendAck() { return SendAckOf(currentBlock); }

bool TftpServer::SendAckOf(std::uint16_t block) {
    std::uint8_t ack[4];
    Put16(ack, tftp::ACK);
    Put16(ack + 2, block);
    if (SendTo(ack, sizeof ack, peerPort, peerAddress.c_str()) == fw::SOCKET_ERROR) {
        LogMessage("TftpServer : SendAck() Fail !\n");
        ArmTimer();
        return false;
    }
    return true;
}

void TftpServer::SendError(int code) {
    std::uint8_t error[kErrorLength] = {};
    Put16(error, tftp::ERROR);
    Put16(error + 2, static_cast<unsigned>(code));
    if (SendTo(error, sizeof error, peerPort, peerAddress.c_str()) == fw::SOCKET_ERROR) {
        LogMessage("TftpServer : SendError() Fail !\n");
    }
}

void TftpServer::ArmTimer() {
    long long ms = static_cast<long long>(timeoutSeconds) * 1000;
    if (ms < 0) ms = 0;
    if (ms > INT_MAX) ms = INT_MAX;
    StartServerTimer(static_cast<int>(ms), kServerTimerKind);
}

void TftpServer::OnAck(std::uint16_t block) {
    if (block == 0 || block > currentBlock) {
        LogMessage("TftpServer : ACK number FAIL !\n");
        EndTransfer();
        return;
    }
    if (block < currentBlock) {
        LogMessage("TftpServer : ACK number less than current number !\n");
        currentBlock = block;
    }
    if (currentBlock == lastBlock) {
        LogMessage("Transmit Complete !!! \n");
        EndTransfer();
        return;
    }
    ++currentBlock;
    if (SendData()) {
        ArmTimer();
    } else {
        LogMessage("TftpServer : SendData() Fail ! \n");
        EndTransfer();
    }
}

void TftpServer::OnData(std::uint16_t block, const std::uint8_t* data, int length) {
    if (!IsWriting() && finishedBlock != 0 && block == finishedBlock) {
        SendAckOf(finishedBlock);  // our final ACK was lost; the file is already in place
        return;
    }
    if (IsWriting() && currentBlock != 0 && block == currentBlock) {
        SendAck();  // our ACK was lost and the client sent the block again
        ArmTimer();
        return;
    }
    if (!IsWriting() || static_cast<unsigned>(block) != currentBlock + 1u) {
        LogMessage("TftpServer : OnData() Fail !\n");
        SendError(4);
        EndTransfer();
        return;
    }
    auto size = static_cast<std::size_t>(length - 4);
    bool more = size >= tftp::kBlockSize;
    if (more && block == 0xFFFF) {
        FailWrite("TftpServer : File Too Large !\n", 4);
        return;
    }
    if (size > 0 && !file.Write(data, size)) {
        FailWrite("TftpServer : Write File Fail !\n", 3);
        return;
    }
    ++currentBlock;
    if (more) {
        SendAck();
        ArmTimer();
        return;
    }
    // The data must be safely in place before the last ACK tells the client it is.
    if (!CommitWrite()) {
        FailWrite("TftpServer : Write File Fail !\n", 3);
        return;
    }
    SendAck();
    finishedBlock = currentBlock;
    EndTransfer();
}

void TftpServer::FailWrite(const char* log_line, int code) {
    LogMessage(log_line);
    SendError(code);
    EndTransfer();
}

void TftpServer::OnError() { EndTransfer(); }

void TftpServer::ClearSlot() {
    DiscardWrite();
    file.Close();
    filePosition = -1;
    sending = true;
    currentBlock = 0;
    lastBlock = 0;
}

void TftpServer::EndTransfer() {
    ClearSlot();
    char text[64];
    std::snprintf(text, sizeof text, "IP: %s \nFinished.", peerAddress.c_str());
    SetServerActivityOff(text);
}

void TftpServer::Retransmit() {
    StopServerTimer();
    if (retriesLeft != 0) {
        if (sending) {
            SendData();
        } else {
            SendAck();
        }
        if (retriesLeft != INT_MIN) --retriesLeft;
        return;
    }
    SetServerActivityOff("Retry Fail.");
    ResetProgress(1);
    // A read keeps its slot so a late ACK can still continue it; a write given up must not
    // leave its half-received file behind.
    if (IsWriting()) ClearSlot();
}
