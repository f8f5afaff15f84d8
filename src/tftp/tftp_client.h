// TftpClient: the one object through which the host talks to the modem. It runs one
// transfer at a time on behalf of the Sequencer (command-file writes, file and pack sends,
// file reads), drives it datagram by datagram from its read notifications, and calls the
// Sequencer when the transfer is over. Its upward calls are declared in tftp/host_hooks.h.
#pragma once

#include <cstdint>
#include <string>

#include "framework/async_socket.h"
#include "framework/file.h"
#include "tftp/packet.h"
#include "tftp/receive_list.h"

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
    bool SendData();  // the current DATA block again (file, pack entry or command file)
    bool SendAck();   // the last acknowledgement again
    // A request went unanswered: write the unlock key again, then send the request again.
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
    int transferKind = 0;  // 0 none, 1 command-file write, 2 file send
    std::string peerAddress;
    unsigned peerPort = kDefaultModemPort;
    int commandIndex = 0;
    std::uint16_t lastBlock = 0;
    ReceiveList receiveList;
    std::uint16_t expectedOpcode = 0;
    std::uint16_t expectedBlock = 0;

private:
    // A request that waits for its first answer, kept so that it can be sent again.
    struct Request {
        enum Kind { kNone, kCommand, kRead, kFileWrite } kind = kNone;
        int index = 0;
        std::string name;
        std::uint16_t lastBlock = 0;
    };
    // The read in progress, and the end of the previous one (its last DATA may come again
    // when our final ACK was lost).
    struct ReadState {
        bool active = false;
        std::uint16_t lastWritten = 0;  // highest block taken, 0 before block 1
        std::uint16_t lastAcked = 0;
        bool doneValid = false;
        std::string doneAddress;
        unsigned donePort = 0;
        std::uint16_t doneBlock = 0;
    };

    // Sending.
    bool SendPacket(const tftp::Bytes& datagram);
    bool SendBroadcast(const tftp::Bytes& datagram);
    void NoteExpectedReply(const tftp::Bytes& datagram);
    bool SendAckOf(std::uint16_t block);
    bool SendCommandData();
    bool SendReadRequest(const std::string& name);
    bool SendWriteRequest(const std::string& name);
    void ArmTimer(int kind);

    // Receiving.
    bool AcceptedByFilter(const tftp::Header& h) const;
    void OnAck(std::uint16_t block, const std::string& text);
    void OnCommandAck0();
    void OnData(std::uint16_t block, const std::uint8_t* data, std::size_t length);
    bool BeginReceivedFile();
    void TakeData(std::uint16_t block, const std::uint8_t* data, std::size_t length);
    void EndOfRead(std::uint16_t block, std::size_t length);
    bool ReAckFinishedRead(const std::string& address, unsigned port, std::uint16_t block);
    void OnError(const std::string& text);
    void TransferDone();
    void ResetTransfer();

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
    Request lastRequest_;
    Request resendAfterUnlock_;
    ReadState read_;
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
};
