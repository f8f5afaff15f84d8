// TftpServer: the host's own TFTP server. One socket, one transfer slot: it lets a modem (or
// any TFTP client) read files from the File Path directory and, when allowed, write files
// into it. Every setting is read through the accessors at the moment a request arrives, so
// a change on the server page takes effect with the next request and never mid-transfer.
//
// Hooks it relies on (tftp/host_hooks.h): ReadServerRootPath (which must call SetRootPath),
// IsServerReadEnabled, IsServerWriteEnabled, GetRetryCount, GetTimeoutSeconds, LogMessage,
// ResetProgress, StepProgress, SetServerActivityOn/Off, and the server timer
// (StartServerTimer/StopServerTimer/IsServerTimerRunning), whose expiry must call
// Retransmit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/async_socket.h"
#include "framework/file.h"
#include "framework/fixed_text.h"
#include "tftp/packet.h"

class TftpServer : public fw::CAsyncSocket {
public:
    TftpServer();
    ~TftpServer() override;

    // The well-known port on every local address unless told otherwise (tests and the
    // command line pass their own).
    bool CreateServerSocket(unsigned port = 69, const char* address = nullptr);

    // Off while the upgrade page broadcasts: our own broadcast to port 69 reaches this socket
    // too and must not be taken for a request. While off, datagrams are read and dropped.
    void SetServing(bool on) { serving = on; }
    bool IsServing() const { return serving; }

    // What ReadServerRootPath() stores: the File Path box as typed.
    void SetRootPath(std::string_view path) { rootPath.assign(path); }
    const std::string& RootPath() const { return rootPath; }

    void OnReceive(int error_code) override;
    // The server timer's expiry: resend the last packet while the transfer's budget lasts.
    void Retransmit();

    bool SendData();
    bool SendAck();
    void SendError(int code);

    // The slot, for the displays and for tests.
    bool IsSending() const { return sending; }
    std::uint16_t CurrentBlock() const { return currentBlock; }
    std::uint16_t LastBlock() const { return lastBlock; }
    int RetriesLeft() const { return retriesLeft; }
    int TimeoutSeconds() const { return timeoutSeconds; }
    const char* PeerAddress() const { return peerAddress.c_str(); }
    unsigned PeerPort() const { return peerPort; }
    bool IsWriting() const { return !tempPath.empty(); }

private:
    bool FromPeer() const;
    void IgnoreStranger(const tftp::Header& header);
    void OnRequest(const tftp::Request& request);
    void OnReadRequest(const std::string& name);
    void OnWriteRequest(const std::string& name);
    void OnData(std::uint16_t block, const std::uint8_t* data, int length);
    void OnAck(std::uint16_t block);
    void OnError();
    void EndTransfer();
    void ClearSlot();
    bool BuildFullPath(const std::string& name, std::string& full);
    bool OpenTempBeside(const std::string& target);
    bool CommitWrite();
    void DiscardWrite();
    bool SendAckOf(std::uint16_t block);
    void ArmTimer();
    void FailWrite(const char* log_line, int code);

    std::string rootPath;
    int retriesLeft = 0;
    int timeoutSeconds = 0;
    bool serving = true;
    fw::CFile file;
    fw::FixedText<16> peerAddress;
    unsigned peerPort = 0;  // 0: no transfer has had a peer yet, every datagram is a stranger's
    bool sending = true;
    std::uint16_t currentBlock = 0;
    std::uint16_t lastBlock = 0;

    // A write lands in tempPath and replaces targetPath only once its last block is in.
    std::string targetPath;
    std::string tempPath;
    // The last block of the write that just completed: the client resends it when our final
    // ACK is lost, and it must get that ACK again rather than an error.
    std::uint16_t finishedBlock = 0;
    // Where the read file stands, so sequential blocks need no seek.
    long long filePosition = -1;

    std::string fromAddress;
    unsigned fromPort = 0;
    std::uint8_t receiveBuffer[tftp::kReceiveBuffer];
    std::uint8_t sendBuffer[tftp::kMaxPacket];
};
