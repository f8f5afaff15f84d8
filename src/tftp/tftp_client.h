// TftpClient: the one object through which the host talks to the modem. It runs one
// transfer at a time on behalf of the Sequencer (command-file writes, file and pack sends,
// file reads), drives it datagram by datagram from its read notifications, and calls the
// Sequencer when the transfer is over. Its upward calls are declared in tftp/host_hooks.h.
//
// A datagram belongs to the transfer in progress only if it can: it came to the local port
// the request went out from, from the modem port whose first answer bound the transfer (its
// transfer ID), and it is the acknowledgement of the block just sent, or the block that
// follows the last one taken. Anything else is logged and dropped, and never ends, resets
// or advances the transfer. The run keeps one socket, except that the unlock key and a
// request that went unanswered go out again from a fresh port.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/async_socket.h"
#include "framework/file.h"
#include "tftp/client_port.h"
#include "tftp/host_hooks.h"
#include "tftp/packet.h"
#include "tftp/receive_list.h"

// The transfer the client is running, by the numbers the design gives them.
enum class TransferKind {
    kNone = 0,
    kCommandFile = 1,  // the write of a command file
    kFileSend = 2,     // a file or pack entry sent
};

// How a file send is started.
enum class SendKind {
    kImage,      // the image or pack of the page: format chosen by its magic
    kNextEntry,  // the next entry of the pack being sent
    kWholeFile,  // any file, sent whole under remoteName whatever its format
};

enum class SendStart {
    kStarted,        // a write request is out; the end of the transfer calls the Sequencer
    kNothingToSend,  // no entry was left: the caller goes on with the plan
    kFailed,         // reported to the user; the run stops
};

class TftpClient : public fw::CAsyncSocket {
public:
    static constexpr unsigned kDefaultModemPort = 69;

    TftpClient();
    ~TftpClient() override;

    // Settings of the client itself: the modem's TFTP port that every request goes to, and
    // the network device the socket is bound to (empty: none).
    void SetModemPort(unsigned port) { modemPort_ = port; }
    unsigned ModemPort() const { return modemPort_; }
    bool SetBindDevice(const std::string& device);
    const std::string& BindDevice() const { return bindDevice_; }

    // Start-up (the main window).
    bool CreateClientSocket();
    bool EnableBroadcast();

    // Called by the Sequencer.
    void BeginOperation();
    SendStart StartFileSend(SendKind kind = SendKind::kImage);
    bool PutCommandFile(int index);
    bool AddReceiveFile(const std::string& name);
    bool GetNextFile();
    void ClearFileList();
    // Whether the configuration read of this operation left a pack at packFilePath.
    bool ConfigurationSaved() const { return configSaved_; }

    // Called by the response timer.
    bool SendAck();  // the last acknowledgement again
    // Sends the current DATA block (file, pack entry or command file), again after a
    // time-out; a block that cannot be read or sent stops the run.
    void SendBlockOrStop();
    // A request went unanswered: from a fresh local port, write the unlock key again, then
    // send the request again.
    void RetryUnansweredRequest();
    // The run was given up: a configuration pack being received is discarded.
    void AbandonTransfer();

    bool IsCompatibleBoard(const std::string& board);

    void OnReceive(int error_code) override;

    // The design's fields; the accessors of the main window set the paths.
    std::string sourcePath;
    std::string remoteName;
    std::string packFilePath;
    std::uint16_t blockNumber = 0;
    fw::CFile file;
    int retryBudget = 0;
    int timeoutSeconds = 0;
    bool packMode = false;
    bool infoMode = false;
    TransferKind transferKind = TransferKind::kNone;
    std::string peerAddress;
    unsigned peerPort = kDefaultModemPort;
    int commandIndex = 0;
    std::uint16_t lastBlock = 0;
    ReceiveList receiveList;
    std::uint16_t expectedOpcode = 0;
    std::uint16_t expectedBlock = 0;

private:
    friend class ClientPort;

    // A request that waits for its first answer, kept so that it can be sent again.
    struct Request {
        enum Kind { kNone, kCommand, kRead, kFileWrite } kind = kNone;
        int index = 0;
        std::string name;
        std::uint16_t lastBlock = 0;
    };
    // The transfer in progress. It belongs to the port its request went out from and, from
    // the modem's first answer on, to the address and port that answer came from (its
    // transfer ID): nothing else is part of it.
    struct Transfer {
        enum Kind { kNone, kWrite, kRead } kind = kNone;
        std::string name;  // the file written or read
        int port = 0;  // our local port: 0 the client's own socket, else a ClientPort's id
        bool bound = false;
        fw::Endpoint peer;  // the modem's end, once bound
        std::uint16_t lastTaken = 0;  // a read: the highest block taken, 0 before block 1
    };
    // A finished read, whose last DATA may come again when our final ACK was lost.
    struct FinishedRead {
        int port;
        fw::Endpoint peer;
        std::uint16_t block;
    };
    // One datagram as read from one of our ports.
    struct Datagram {
        int port;
        fw::Endpoint from;
        tftp::Header header;
        const std::uint8_t* bytes;
        std::size_t length;
    };

    // Local ports.
    void ReceiveOn(fw::CAsyncSocket& socket, int port);
    fw::CAsyncSocket* PortById(int id);
    void OpenFreshPort();
    void CloseFreshPorts();

    // Sending.
    bool SendPacket(const tftp::Bytes& datagram);
    bool SendPacket(const std::uint8_t* datagram, std::size_t length);
    bool SendBroadcast(const std::uint8_t* datagram, std::size_t length);
    void NoteExpectedReply(const std::uint8_t* datagram, std::size_t length);
    // peerAddress and peerPort as an endpoint, parsed again only when peerAddress changed.
    std::optional<fw::Endpoint> PeerEndpoint();
    // Whether `address` is g_szModemAddress, read again only when that text changed.
    bool IsModemAddress(std::uint32_t address);
    bool SendAckOf(std::uint16_t block);
    bool SendCommandData();
    bool SendReadRequest(const std::string& name);
    bool SendWriteRequest(const std::string& name);
    void BeginTransfer(Transfer::Kind kind, const std::string& name);
    void ArmTimer(TimerKind kind);
    void ArmFileRequestTimer();

    // Receiving.
    const char* WhyNotOurs(const Datagram& d) const;
    const char* WhyNotInTurn(const Datagram& d) const;
    void Take(const Datagram& d);
    void OnCompletionReport();
    void OnAck(std::uint16_t block, const std::string& text);
    void OnData(std::uint16_t block, const std::uint8_t* data, std::size_t length);
    bool BeginReceivedFile();
    void TakeData(std::uint16_t block, const std::uint8_t* data, std::size_t length);
    void EndOfRead(std::uint16_t block);
    // Sends the current block; when it cannot, the text that stops the run.
    const char* SendBlock();
    bool ReAckFinishedRead(const Datagram& d);
    void OnError(const std::string& text, bool first_answer);
    void TransferDone();
    void ResetTransfer();
    void StopRun(const std::string& message);

    // Send path.
    SendStart StartPackSend(const std::string& magic);
    SendStart StartEntrySend();
    SendStart StartWholeSend();
    SendStart SendFirstRequest(const std::string& name, long long length);
    bool NextEntryToSend();
    bool ReadBlock(std::uint8_t* buf, std::size_t* len);
    void FailSend(const char* message);

    // Configuration pack.
    bool OpenPackFile();
    bool WritePackHeader();
    bool FinishPackFile();
    void CloseLocalFile();

    void ResendAfterUnlock();

    unsigned modemPort_ = kDefaultModemPort;
    std::string bindDevice_;
    bool broadcastEnabled_ = false;
    std::vector<std::unique_ptr<ClientPort>> freshPorts_;  // oldest first
    int nextPortId_ = 1;
    int sendPort_ = 0;  // where requests go out from now
    Transfer transfer_;
    // Modem ports that answered an earlier transfer of this run (its listening port never
    // counts: a modem may answer every transfer from it).
    std::vector<fw::Endpoint> earlierPeers_;
    std::vector<FinishedRead> finishedReads_;
    bool endMarkerSent_ = false;  // this run's end marker is out: a completion report is ours
    Request lastRequest_;
    Request resendAfterUnlock_;
    bool packFileOpen_ = false;  // `file` is the configuration pack being received
    bool packBroken_ = false;    // a write into it failed: it must not replace the old one
    bool packDiscarded_ = false; // this operation's pack was dropped half-received
    std::string packTemp_;       // where it is written until it is complete
    bool configSaved_ = false;
    bool skipCriteria_ = false;  // of the pack being sent, fixed when it was opened
    long long sendBase_ = 0;     // file position of the first byte sent
    long long sendLength_ = 0;   // bytes of the file or entry sent
    long long readNext_ = -1;    // file position after the last block read, -1 unknown
    std::uint16_t lastAck_ = 0;
    // The DATA datagram of the block being sent, read into place behind its header.
    std::uint8_t blockDatagram_[tftp::kMaxPacket] = {};
    // peerAddress as last parsed, and what it gave.
    std::string parsedPeerText_;
    std::optional<std::uint32_t> parsedPeer_;
    // g_szModemAddress as last read, and the address it names when it is one written out
    // as the accessors write it ("a.b.c.d" without leading zeros).
    std::string modemAddressText_;
    std::optional<std::uint32_t> modemAddress_;
};
