// TFTP datagrams as both engines and the simulated modem use them: RRQ/WRQ in "octet"
// mode without options, DATA, ACK (a received one may carry a trailing text) and ERROR.
// Parsing never reads past the end of the datagram.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tftp {

enum Opcode : std::uint16_t { RRQ = 1, WRQ = 2, DATA = 3, ACK = 4, ERROR = 5 };

constexpr std::size_t kBlockSize = 512;
constexpr std::size_t kMaxPacket = 516;       // DATA header + a full block
constexpr std::size_t kReceiveBuffer = 1024;  // both engines read into this much
constexpr std::uint16_t kCompletionBlock = 65535;  // the modem's "update done" ACK

using Bytes = std::vector<std::uint8_t>;

// The 4-byte header at the start of `datagram`: the opcode, then the block number or error
// code. A DATA datagram is built in place, its data read straight in after the header.
void PutHeader(std::uint8_t* datagram, Opcode op, std::uint16_t field);

Bytes BuildRequest(Opcode op, std::string_view name);  // RRQ or WRQ, "octet"
Bytes BuildData(std::uint16_t block, const void* data, std::size_t len);
Bytes BuildAck(std::uint16_t block);
// `text` may be followed by padding zeros up to `total_len` (0: no padding).
Bytes BuildError(std::uint16_t code, std::string_view text, std::size_t total_len = 0);

// "Read Request", "Write Request", "Data", "Ack", "Error", and "?" for anything else.
const char* PCodeName(unsigned opcode);

// The two header fields every engine reads first. Datagrams shorter than 4 bytes have no
// header: `valid` is false and nothing else may be read.
struct Header {
    bool valid = false;
    std::uint16_t opcode = 0;
    std::uint16_t field = 0;  // block number, or error code, or the name's first bytes
};
Header ParseHeader(const std::uint8_t* data, std::size_t len);

// A request's name and mode. Nothing when the datagram is not a request or the name has
// no terminating zero inside it; a missing mode string gives an empty mode.
struct Request {
    Opcode op = RRQ;
    std::string name;
    std::string mode;
};
std::optional<Request> ParseRequest(const std::uint8_t* data, std::size_t len);

// The text after the block number (ACK) or code (ERROR): up to the first zero byte or the
// end of the datagram, whichever comes first. Empty when the datagram is 4 bytes or less.
std::string TrailingText(const std::uint8_t* data, std::size_t len);

// True when `text` begins with `known` (case-sensitive).
bool StartsWith(std::string_view text, std::string_view known);
inline constexpr std::string_view kAlreadyUpdating = "Server already in update mode";
inline constexpr std::string_view kNoSuchFile = "Failed to open file for reading";

// "Remote IP : Port = %s:%ld %s Block=%d\n"
std::string ReceiveLogLine(const std::string& address, unsigned long port,
                           unsigned opcode, unsigned field);

}  // namespace tftp
