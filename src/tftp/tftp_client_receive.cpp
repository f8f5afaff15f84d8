// Reading files from the modem: the identification files into the information fields, the
// configuration files into one pack, one read request per listed name.
#include <cstdio>

#include "framework/desktop.h"

#include "tftp/client_texts.h"
#include "tftp/engine_globals.h"
#include "tftp/host_hooks.h"
#include "tftp/modem_info.h"
#include "tftp/run_observer.h"
#include "tftp/tftp_client.h"

namespace {

constexpr char kPackMagic[] = "PK11";
// Finished reads whose last DATA is answered again.
constexpr std::size_t kKeptFinishedReads = 8;

void PutLe32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

bool TftpClient::AddReceiveFile(const std::string& name) { return receiveList.Add(name); }

void TftpClient::ClearFileList() { receiveList.Clear(); }

bool TftpClient::GetNextFile() {
    if (receiveList.Exhausted()) {
        if (packMode && packFileOpen_) {
            LogMessage("Get Pack End.");
            FinishPackFile();
        }
        ClearFileList();
        return false;
    }
    std::string name = receiveList.TakeNext();
    if (SendReadRequest(name)) return true;
    EngineMessageBox(kCannotSendText, fw::MB_ICONSTOP);
    // The names left will not be read: the pack would be missing them.
    if (packFileOpen_) CloseLocalFile();
    return false;
}

bool TftpClient::SendReadRequest(const std::string& name) {
    peerAddress = g_szModemAddress.str();
    peerPort = modemPort_;
    remoteName = name;
    LogMessage(name.c_str());
    BeginTransfer(Transfer::kRead, name);
    lastRequest_ = {Request::kRead, 0, name, 0};
    if (!SendPacket(tftp::BuildRequest(tftp::RRQ, name))) {
        transfer_.kind = Transfer::kNone;
        return false;
    }
    StartResponseTimer(1000, TimerKind::kFirstAnswer);
    return true;
}

// `block` is the one that follows the last taken, or that one again.
void TftpClient::OnData(std::uint16_t block, const std::uint8_t* data, std::size_t length) {
    if (transfer_.lastTaken != 0 && block == transfer_.lastTaken) {
        // Our acknowledgement was lost and the block came again: acknowledge it again, but
        // it is already taken.
        SendAckOf(block);
        ArmTimer(TimerKind::kNextBlock);
        return;
    }
    if (block == tftp::kCompletionBlock && length == tftp::kBlockSize) {
        // More would follow, and no block number is left for it: this is not a file the
        // client can read whole, and nothing of it is kept.
        StopRun(FormatText(kTooManyBlocksText, remoteName.c_str()));
        return;
    }
    if (block == 1 && !BeginReceivedFile()) return;
    TakeData(block, data, length);
    SendAckOf(block);
    if (length < tftp::kBlockSize) {
        EndOfRead(block);
        return;
    }
    if (!infoMode) blockNumber = static_cast<std::uint16_t>(block + 1);
    ArmTimer(TimerKind::kNextBlock);
}

void TftpClient::EndOfRead(std::uint16_t block) {
    TheRunObserver().NoteTransferEnded();
    finishedReads_.push_back({transfer_.port, transfer_.peer, block});
    if (finishedReads_.size() > kKeptFinishedReads) finishedReads_.erase(finishedReads_.begin());
    transfer_.kind = Transfer::kNone;
    lastRequest_ = {};
    if (!packMode && !infoMode && file.IsOpen()) {
        LogMessage("OnData End.");
        file.Close();
    }
    RunSequencer();
}

bool TftpClient::ReAckFinishedRead(const Datagram& d) {
    if (g_bUnicast == 0) return false;
    for (const FinishedRead& r : finishedReads_) {
        if (r.port != d.port || r.peer != d.from || r.block != d.header.field) continue;
        fw::CAsyncSocket* socket = PortById(r.port);
        if (socket == nullptr) return false;
        tftp::Bytes ack = tftp::BuildAck(r.block);
        if (socket->SendTo(ack.data(), static_cast<int>(ack.size()), r.peer) != fw::SOCKET_ERROR) {
            TheRunObserver().NoteSent();
        }
        return true;
    }
    return false;
}

// Block 1 of a file: where its bytes go. False when they cannot go anywhere: the run has
// been stopped with a message.
bool TftpClient::BeginReceivedFile() {
    if (infoMode) return true;
    if (packMode) {
        if (packFileOpen_) return true;
        // The files before this one went with a dropped pack while the table would still
        // count them: begun again, the pack would be saved corrupt and reported done.
        if (packDiscarded_) {
            LogMessage(kLogSavePackFail);
            ClearFileList();
            StopRun(kNoConfigurationText);
            return false;
        }
        if (OpenPackFile()) return true;
        StopRun(kCannotCreateText);
        return false;
    }
    CloseLocalFile();
    if (!file.Open(remoteName, fw::CFile::modeCreate | fw::CFile::modeWrite)) {
        LogMessage(kLogOpenFileFail);
        StopRun(kCannotCreateText);
        return false;
    }
    return true;
}

void TftpClient::TakeData(std::uint16_t block, const std::uint8_t* data, std::size_t length) {
    transfer_.lastTaken = block;
    TheRunObserver().NoteTransferBytes(static_cast<long long>(length));
    if (infoMode) {
        if (block == 1) ParseModemInfo(remoteName, data, length);
        return;
    }
    if (length > 0 && !file.Write(data, length)) {
        LogMessage(kLogSavePackFail);
        packBroken_ = true;
    }
    receiveList.AddToCurrent(static_cast<std::uint32_t>(length));
}

// ---------------------------------------------------------------------------------------
// The configuration pack: written beside the destination and put in its place only when
// every listed file has been read.

bool TftpClient::OpenPackFile() {
    ReadConfigPackPath();
    packTemp_ = packFilePath + ".part";
    if (!file.Open(packTemp_, fw::CFile::modeCreate | fw::CFile::modeReadWrite)) {
        LogMessage(kLogOpenPackFail);
        return false;
    }
    packFileOpen_ = true;
    packBroken_ = false;
    LogMessage("Initialize pack file!\n");
    if (!WritePackHeader()) {
        LogMessage(kLogSavePackFail);
        CloseLocalFile();
        return false;
    }
    return true;
}

// "PK11", an empty version, every listed name (read or not yet) with a zero length to be
// filled in, and the empty name that ends the table.
bool TftpClient::WritePackHeader() {
    std::string header(kPackMagic);
    header.push_back('\0');
    for (int i = 0; i < receiveList.Count(); ++i) {
        header += receiveList.Name(i);
        header.append(5, '\0');
    }
    header.push_back('\0');
    return file.Write(header.data(), header.size());
}

bool TftpClient::FinishPackFile() {
    bool ok = !packBroken_;
    long long pos = 5;  // after the magic and the empty version's zero
    for (int i = 0; ok && i < receiveList.Count(); ++i) {
        pos += static_cast<long long>(receiveList.Name(i).size()) + 1;
        std::uint8_t le[4];
        PutLe32(le, receiveList.Bytes(i));
        ok = file.Seek(pos, fw::CFile::begin) == pos && file.Write(le, 4);
        pos += 4;
    }
    ok = ok && file.Flush();
    if (!ok) {
        LogMessage(kLogSavePackFail);
        CloseLocalFile();
        return false;
    }
    packFileOpen_ = false;
    file.Close();
    if (std::rename(packTemp_.c_str(), packFilePath.c_str()) != 0) {
        LogMessage(kLogSavePackFail);
        std::remove(packTemp_.c_str());
        return false;
    }
    configSaved_ = true;
    return true;
}
