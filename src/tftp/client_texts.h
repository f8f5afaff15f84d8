// The client's messages and log lines, worded as the user and the log have always seen
// them, and the few added where the engine now refuses or drops something.
#pragma once

#include <cstdio>
#include <string>

inline constexpr const char* kCannotSendText = "Error:\nCannot send packet.";
inline constexpr const char* kCannotOpenText = "Warning:\nCannot open file.";
inline constexpr const char* kImageNotCorrectText = "Warning:\nYour image is not correct.";
inline constexpr const char* kNotCompatibleText = "Not compatible board: %s";
inline constexpr const char* kSockOptBroadcastText = "Error to set sock option BROADCAST: %d \n";
inline constexpr const char* kSockOptReuseText = "Error to set sock option REUSEADDR: %d \n";
inline constexpr const char* kNoResponseText = "Timeout:\nADSL no response!";
inline constexpr const char* kAckNoResponseText = "Timeout:\nADSL ack no response!";
inline constexpr const char* kNoAckRetryText = "Timeout:\nADSL no ACK! Retry? ";
inline constexpr const char* kNoConfigurationText = "Error:\nNo configuration received.";
inline constexpr const char* kCannotReadText = "Error:\nCannot read the file being sent.";
inline constexpr const char* kCannotCreateText = "Warning:\nCannot create file.";
// A file's write request answered with one of the texts a command file or a read may get.
inline constexpr const char* kNotSentText = "Error:\n%s not sent: %s";
// A read that would need a block number past 65535.
inline constexpr const char* kTooManyBlocksText = "Error:\n%s is longer than 65535 blocks.";
// The last line of every report of a run that stopped, or was interrupted, while the update
// bracket was open.
inline constexpr const char* kUpdateModeText =
    "The modem may be left in update mode: run the upgrade again.";

inline constexpr const char* kLogSendAckFail = "TftpClient : SendAck() Fail !\n";
inline constexpr const char* kLogSendDataFail = "TftpClient : SendData() Fail !\n";
inline constexpr const char* kLogOpenFileFail = "TftpClient : Open file for write fail !\n";
inline constexpr const char* kLogOpenPackFail = "TftpClient : Open pack file for write fail !\n";
inline constexpr const char* kLogSavePackFail = "TftpClient : Save pack file fail !\n";
inline constexpr const char* kLogBindDeviceFail = "TftpClient : Bind to device fail !\n";
inline constexpr const char* kLogShortDatagram = "TftpClient : Short datagram from %s:%u dropped.\n";
inline constexpr const char* kLogStranger = "TftpClient : Datagram from %s:%u is not the modem's, dropped.\n";
inline constexpr const char* kLogAckDuringRead = "TftpClient : Ack during read ignored !\n";
inline constexpr const char* kLogDataDuringWrite = "TftpClient : Data during write ignored !\n";
inline constexpr const char* kLogAckAhead =
    "TftpClient : Ack of a block not sent yet ignored !\n";
inline constexpr const char* kLogNoTransfer =
    "TftpClient : Datagram outside any transfer dropped.\n";
inline constexpr const char* kLogAbandonedPort =
    "TftpClient : Answer to an abandoned request dropped.\n";
inline constexpr const char* kLogOtherTransfer =
    "TftpClient : Datagram of another transfer dropped.\n";
inline constexpr const char* kLogEarlierReport =
    "TftpClient : Completion report of an earlier upgrade dropped.\n";
inline constexpr const char* kLogFreshPortFail =
    "TftpClient : Cannot open a fresh port, retrying from the same one.\n";
inline constexpr const char* kLogUnknownPCode = "Unknown P-Code = %d\n";
inline constexpr const char* kLogWrongBlock = "Wrong block!\n";
inline constexpr const char* kTotalBlockLine = "[%d] Total block= %d";

// printf-style formatting into a string, for the texts above.
template <typename... Args>
std::string FormatText(const char* format, Args... args) {
    int n = std::snprintf(nullptr, 0, format, args...);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), format, args...);
    out.resize(static_cast<std::size_t>(n));
    return out;
}
