// The blocks of the server's transfers: DATA out and ACK in for a read, DATA in and ACK out
// for a write, and the ERRORs that end them.
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "tftp/host_hooks.h"
#include "tftp/tftp_server.h"

namespace {

constexpr std::size_t kErrorLength = 128;

}  // namespace

bool TftpServer::SendData(Transfer& t) {
    tftp::PutHeader(sendBuffer, tftp::DATA, t.currentBlock);
    long long offset = (static_cast<long long>(t.currentBlock) - 1) * tftp::kBlockSize;
    ssize_t got = -1;
    if (t.file.IsOpen() && offset >= 0) {
        got = ::pread(t.file.Get(), sendBuffer + 4, tftp::kBlockSize, static_cast<off_t>(offset));
    }
    if (got < 0) {
        LogMessage("TftpServer::SenData() File Operation Fail !\n");
        return false;
    }
    if (SendTo(sendBuffer, static_cast<int>(4 + got), t.peer) == fw::SOCKET_ERROR) {
        LogMessage("TftpServer : SendData() Fail !\n");
        Arm(t);
        return false;
    }
    if (progressOwner == &t) StepProgress();
    return true;
}

bool TftpServer::SendAck(Transfer& t) {
    std::uint8_t ack[4];
    tftp::PutHeader(ack, tftp::ACK, t.currentBlock);
    if (SendTo(ack, sizeof ack, t.peer) == fw::SOCKET_ERROR) {
        LogMessage("TftpServer : SendAck() Fail !\n");
        Arm(t);
        return false;
    }
    return true;
}

// 128 bytes, as every ERROR of ours: the code, the text and zeros to the end.
void TftpServer::SendError(const std::string& address, unsigned port, std::uint16_t code,
                           std::string_view text) {
    tftp::Bytes error = tftp::BuildError(code, text.substr(0, kErrorLength - 5), kErrorLength);
    if (SendTo(error.data(), static_cast<int>(error.size()), port, address.c_str()) ==
        fw::SOCKET_ERROR) {
        LogMessage("TftpServer : SendError() Fail !\n");
    }
}

void TftpServer::OnAck(Transfer& t, std::uint16_t block) {
    if (!t.sending || block == 0 || block > t.currentBlock) {
        LogMessage("TftpServer : ACK number FAIL !\n");
        EndTransfer(t, "Bad ACK number");
        return;
    }
    if (block < t.currentBlock) {
        LogMessage("TftpServer : ACK number less than current number !\n");
        // A repeat of the previous ACK: the block after it is on its way or lost, and our
        // own timer sends it again. Answering the repeat would send every later block twice.
        if (block + 1 == t.currentBlock) return;
        t.currentBlock = block;
    }
    t.state = State::kActive;  // a late ACK continues a read that was given up
    t.bytes = std::min<long long>(t.length, block * static_cast<long long>(tftp::kBlockSize));
    if (t.currentBlock == t.lastBlock) {
        LogMessage("Transmit Complete !!! \n");
        t.bytes = t.length;
        EndTransfer(t, "ok");
        return;
    }
    ++t.currentBlock;
    if (SendData(t)) {
        Arm(t);
    } else {
        LogMessage("TftpServer : SendData() Fail ! \n");
        EndTransfer(t, "Cannot send");
    }
}

void TftpServer::OnData(Transfer& t, std::uint16_t block, const std::uint8_t* data, int length) {
    if (t.state == State::kFinished) {
        // Our final ACK was lost: the file is already in place, say so again.
        if (block == t.currentBlock) SendAck(t);
        return;
    }
    if (!t.sending && t.currentBlock != 0 && block == t.currentBlock) {
        SendAck(t);  // our ACK was lost and the client sent the block again
        Arm(t);
        return;
    }
    if (t.sending || static_cast<unsigned>(block) != t.currentBlock + 1u) {
        LogMessage("TftpServer : OnData() Fail !\n");
        FailTransfer(t, {4, ""}, "Block out of sequence");
        return;
    }
    auto size = static_cast<std::size_t>(length - 4);
    bool more = size >= tftp::kBlockSize;
    if (more && block == 0xFFFF) {
        LogMessage("TftpServer : File Too Large !\n");
        FailTransfer(t, {4, ""}, "File too large");
        return;
    }
    if (int error = size > 0 ? t.upload.Append(data, size) : 0; error != 0) {
        LogMessage("TftpServer : Write File Fail !\n");
        tftp::FileRefusal refusal = tftp::RefusalFor(error);
        FailTransfer(t, refusal, refusal.text);
        return;
    }
    ++t.currentBlock;
    t.bytes += static_cast<long long>(size);
    if (more) {
        SendAck(t);
        Arm(t);
        return;
    }
    // The data must be safely in place before the last ACK tells the client it is.
    if (int error = t.upload.Commit(); error != 0) {
        LogMessage("TftpServer : Write File Fail !\n");
        tftp::FileRefusal refusal = tftp::RefusalFor(error);
        FailTransfer(t, refusal, refusal.text);
        return;
    }
    // Told before the client is: whoever waits for the client may read the report at once.
    Report(t, "ok");
    SendAck(t);
    char text[64];
    std::snprintf(text, sizeof text, "IP: %s \nFinished.", t.peerAddress.c_str());
    SetServerActivityOff(text);
    // It lingers one time-out for a repeat of its last block, then goes.
    t.state = State::kFinished;
    Arm(t);
}

// The transfer ends (what was received is dropped) before the peer is told why.
void TftpServer::FailTransfer(Transfer& t, const tftp::FileRefusal& refusal,
                              const std::string& reason) {
    std::string address = t.peerAddress;
    unsigned port = t.peerPort;
    EndTransfer(t, reason);
    SendError(address, port, refusal.code, refusal.text);
}

void TftpServer::OnError(Transfer& t, int length) {
    std::string text = tftp::TrailingText(receiveBuffer, static_cast<std::size_t>(length));
    EndTransfer(t, text.empty() ? "Error from the peer" : "Error from the peer: " + text);
}
