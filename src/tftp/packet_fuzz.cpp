// The packet parsers meet every byte string a socket can hand them. Beyond the sanitizers
// they must keep their contracts: never a field from past the end, a request's name exactly
// the bytes before its zero, a trailing text that stops at the first zero, and builders
// whose output parses back to what went in.
#include <cstdlib>
#include <cstring>
#include <string>

#include "tftp/packet.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckHeader(const std::uint8_t* data, std::size_t size) {
    tftp::Header h = tftp::ParseHeader(data, size);
    Check(h.valid == (size >= 4));
    if (!h.valid) return;
    Check(h.opcode == (data[0] << 8 | data[1]));
    Check(h.field == (data[2] << 8 | data[3]));
    Check(tftp::PCodeName(h.opcode) != nullptr);
    std::string line = tftp::ReceiveLogLine("255.255.255.255", 65535, h.opcode, h.field);
    Check(!line.empty() && line.back() == '\n');
}

void CheckRequest(const std::uint8_t* data, std::size_t size) {
    std::optional<tftp::Request> r = tftp::ParseRequest(data, size);
    if (!r) return;
    Check(size >= 3 && (r->op == tftp::RRQ || r->op == tftp::WRQ) && data[1] == r->op &&
          data[0] == 0);
    Check(2 + r->name.size() < size && data[2 + r->name.size()] == 0);
    Check(std::memchr(r->name.data(), 0, r->name.size()) == nullptr);
    Check(std::memcmp(r->name.data(), data + 2, r->name.size()) == 0);
    Check(3 + r->name.size() + r->mode.size() <= size);
    Check(std::memchr(r->mode.data(), 0, r->mode.size()) == nullptr);
    // The name goes back out in a request of our own exactly as it came.
    tftp::Bytes again = tftp::BuildRequest(r->op, r->name);
    std::optional<tftp::Request> back = tftp::ParseRequest(again.data(), again.size());
    Check(back && back->name == r->name && back->mode == "octet");
}

void CheckTrailingText(const std::uint8_t* data, std::size_t size) {
    std::string text = tftp::TrailingText(data, size);
    if (size <= 4) {
        Check(text.empty());
        return;
    }
    Check(text.size() <= size - 4);
    Check(std::memcmp(text.data(), data + 4, text.size()) == 0);
    Check(text.size() == size - 4 || data[4 + text.size()] == 0);
}

void CheckBuilders(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return;
    auto block = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    std::size_t n = size - 2 < tftp::kBlockSize ? size - 2 : tftp::kBlockSize;
    tftp::Bytes d = tftp::BuildData(block, data + 2, n);
    tftp::Header h = tftp::ParseHeader(d.data(), d.size());
    Check(d.size() == 4 + n && h.opcode == tftp::DATA && h.field == block);
    Check(n == 0 || std::memcmp(d.data() + 4, data + 2, n) == 0);

    tftp::Bytes a = tftp::BuildAck(block);
    h = tftp::ParseHeader(a.data(), a.size());
    Check(a.size() == 4 && h.opcode == tftp::ACK && h.field == block);

    std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    tftp::Bytes e = tftp::BuildError(block, text, 128);
    Check(e.size() >= 128 && e.size() >= 5 + text.size());
    std::string back = tftp::TrailingText(e.data(), e.size());
    Check(back == text.substr(0, text.find('\0')));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckHeader(data, size);
    CheckRequest(data, size);
    CheckTrailingText(data, size);
    CheckBuilders(data, size);
    return 0;
}
