// TftpServer: the host's own TFTP server. One socket, on whose port every answer leaves, and
// up to kMaxTransfers transfers at once, one per peer (address and port): it lets a modem
// (or any TFTP client) read files from the File Path directory and, when allowed, write
// files into it, and never anything outside that directory. Every setting is read through
// the accessors at the moment a request arrives, so a change on the server page takes
// effect with the next request and never mid-transfer.
//
// Hooks it relies on (tftp/host_hooks.h): ReadServerRootPath (which must call SetRootPath),
// IsServerReadEnabled, IsServerWriteEnabled, GetRetryCount, GetTimeoutSeconds, LogMessage,
// ResetProgress, StepProgress, SetServerActivityOn/Off, and the server timer
// (StartServerTimer/StopServerTimer/IsServerTimerRunning), whose expiry must call
// Retransmit. Each transfer has its own retry budget, time-out and deadline; the one server
// timer is always set for the earliest deadline.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/async_socket.h"
#include "framework/clock.h"
#include "tftp/packet.h"
#include "tftp/server_files.h"

class TftpServer : public fw::CAsyncSocket {
public:
    static constexpr std::size_t kMaxTransfers = 16;

    enum class State {
        kActive,    // moving blocks
        kGivenUp,   // a read whose retries ran out: a late ACK of its peer still continues it
        kFinished,  // a write put in place: a repeat of its last block is acknowledged again
    };

    struct Transfer {
        std::string peerAddress;
        unsigned peerPort = 0;
        fw::Endpoint peer;  // the same, as the socket takes it
        bool sending = true;  // a read: we send DATA
        State state = State::kActive;
        std::uint16_t currentBlock = 0;
        std::uint16_t lastBlock = 0;  // of a read
        int retriesLeft = 0;
        int timeoutSeconds = 0;
        fw::Millis deadline = -1;  // when its timer expires; -1: not waiting
        std::string name;
        long long length = 0;  // of the file read
        long long bytes = 0;   // read: acknowledged; write: received
        fw::Millis started = 0;
        tftp::UniqueFd file;  // the file read
        tftp::Upload upload;  // the file written
    };

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
    // The server timer's expiry: every transfer whose deadline has come resends its last
    // packet while its budget lasts, and gives up when it is spent.
    void Retransmit();

    // The transfers, for the displays and for tests.
    std::size_t TransferCount() const { return transfers.size(); }
    const Transfer& TransferAt(std::size_t index) const { return *transfers.at(index); }
    // Those still moving blocks: the ones the limit counts.
    std::size_t ActiveTransferCount() const;
    const Transfer* FindTransfer(std::string_view address, unsigned port) const;

private:
    using TransferPtr = std::unique_ptr<Transfer>;

    Transfer* Find(fw::Endpoint peer) const;
    void Remove(Transfer* transfer);
    void OnStranger(const tftp::Header& header);

    void OnRequest(const tftp::Request& request);
    bool Refuse(bool write, const std::string& name, const char* log_line,
                const tftp::FileRefusal& refusal, const std::string& reason);
    bool BuildFullPath(const std::string& name, std::string& full);
    bool OpenRead(Transfer& t);
    bool OpenWrite(Transfer& t);
    void Install(TransferPtr transfer);
    void StartRead(Transfer& t);
    void StartWrite(Transfer& t);

    void OnData(Transfer& t, std::uint16_t block, const std::uint8_t* data, int length);
    void OnAck(Transfer& t, std::uint16_t block);
    void OnError(Transfer& t, int length);
    void FailTransfer(Transfer& t, const tftp::FileRefusal& refusal, const std::string& reason);

    bool SendData(Transfer& t);
    bool SendAck(Transfer& t);
    void SendError(const std::string& address, unsigned port, std::uint16_t code,
                   std::string_view text);
    void Resend(Transfer& t);
    void GiveUp(Transfer& t);

    // Ends a transfer: reported with `outcome`, shown as finished, and gone from the table.
    void EndTransfer(Transfer& t, const std::string& outcome);
    void Report(const Transfer& t, const std::string& outcome) const;

    // Timers: one deadline per transfer behind the one window timer.
    void Arm(Transfer& t);
    void Disarm(Transfer& t);
    void SetTimerFor(fw::Millis deadline);
    void RearmForEarliest();

    std::string rootPath;
    bool serving = true;
    std::vector<TransferPtr> transfers;
    // The read whose blocks the progress bar counts: the latest one started.
    const Transfer* progressOwner = nullptr;
    // When the window timer fires, or -1 while it is stopped.
    fw::Millis timerDue = -1;

    // Where the datagram being handled came from; the address as text only where a request,
    // a stranger or the log needs it.
    fw::Endpoint from;
    std::string fromAddress;
    unsigned fromPort = 0;
    std::uint8_t receiveBuffer[tftp::kReceiveBuffer];
    std::uint8_t sendBuffer[tftp::kMaxPacket];
};
