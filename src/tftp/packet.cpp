#include "tftp/packet.h"

#include <charconv>
#include <cstring>

namespace tftp {

namespace {

void Put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

}  // namespace

void PutHeader(std::uint8_t* datagram, Opcode op, std::uint16_t field) {
    datagram[0] = static_cast<std::uint8_t>(op >> 8);
    datagram[1] = static_cast<std::uint8_t>(op & 0xFF);
    datagram[2] = static_cast<std::uint8_t>(field >> 8);
    datagram[3] = static_cast<std::uint8_t>(field & 0xFF);
}

Bytes BuildRequest(Opcode op, std::string_view name) {
    Bytes out;
    out.reserve(2 + name.size() + 1 + 6);
    Put16(out, op);
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    static constexpr char kMode[] = "octet";
    out.insert(out.end(), kMode, kMode + sizeof kMode);  // with its zero
    return out;
}

Bytes BuildData(std::uint16_t block, const void* data, std::size_t len) {
    Bytes out;
    out.reserve(4 + len);
    Put16(out, DATA);
    Put16(out, block);
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (len) out.insert(out.end(), p, p + len);
    return out;
}

Bytes BuildAck(std::uint16_t block) {
    Bytes out;
    Put16(out, ACK);
    Put16(out, block);
    return out;
}

Bytes BuildError(std::uint16_t code, std::string_view text, std::size_t total_len) {
    Bytes out;
    Put16(out, ERROR);
    Put16(out, code);
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    if (out.size() < total_len) out.resize(total_len, 0);
    return out;
}

const char* PCodeName(unsigned opcode) {
    static const char* const kNames[] = {"?", "Read Request", "Write Request", "Data", "Ack",
                                         "Error"};
    return opcode >= 1 && opcode <= 5 ? kNames[opcode] : kNames[0];
}

Header ParseHeader(const std::uint8_t* data, std::size_t len) {
    Header h;
    if (data == nullptr || len < 4) return h;
    h.valid = true;
    h.opcode = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    h.field = static_cast<std::uint16_t>(data[2] << 8 | data[3]);
    return h;
}

std::optional<Request> ParseRequest(const std::uint8_t* data, std::size_t len) {
    if (data == nullptr || len < 3) return std::nullopt;
    unsigned op = data[0] << 8 | data[1];
    if (op != RRQ && op != WRQ) return std::nullopt;
    const auto* begin = data + 2;
    const auto* end = data + len;
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(begin, 0, end - begin));
    if (zero == nullptr) return std::nullopt;
    Request r;
    r.op = static_cast<Opcode>(op);
    r.name.assign(reinterpret_cast<const char*>(begin), zero - begin);
    const auto* mode = zero + 1;
    if (mode < end) {
        const auto* mzero = static_cast<const std::uint8_t*>(std::memchr(mode, 0, end - mode));
        const auto* mend = mzero ? mzero : end;
        r.mode.assign(reinterpret_cast<const char*>(mode), mend - mode);
    }
    return r;
}

std::string TrailingText(const std::uint8_t* data, std::size_t len) {
    if (data == nullptr || len <= 4) return {};
    const auto* begin = data + 4;
    const auto* end = data + len;
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(begin, 0, end - begin));
    return std::string(reinterpret_cast<const char*>(begin), (zero ? zero : end) - begin);
}

bool StartsWith(std::string_view text, std::string_view known) {
    return text.substr(0, known.size()) == known;
}

std::string ReceiveLogLine(const std::string& address, unsigned long port, unsigned opcode,
                           unsigned field) {
    // Put together by hand: the line is made for every datagram, logged or not, and
    // snprintf cost more than all the rest of a block's work. Same text as
    // "Remote IP : Port = %s:%ld %s Block=%d\n" in a 160-byte buffer.
    constexpr std::size_t kMaxLine = 159;
    char number[24];
    std::string line;
    line.reserve(64 + address.size());
    line += "Remote IP : Port = ";
    line.append(address.c_str());
    line += ':';
    line.append(number, std::to_chars(number, number + sizeof number, static_cast<long>(port)).ptr);
    line += ' ';
    line += PCodeName(opcode);
    line += " Block=";
    line.append(number, std::to_chars(number, number + sizeof number, static_cast<int>(field)).ptr);
    line += '\n';
    if (line.size() > kMaxLine) line.resize(kMaxLine);
    return line;
}

}  // namespace tftp
