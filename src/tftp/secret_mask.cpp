#include "tftp/secret_mask.h"

namespace tftp {

namespace {

constexpr std::size_t kHeader = 4;

std::pair<std::uint32_t, std::uint16_t> KeyOf(fw::Endpoint e) {
    return {e.addr, e.port};
}

}  // namespace

bool IsSecretFileName(std::string_view name) {
    return name == "tftplock.key" || name == "RequestID";
}

Bytes MaskedData(const std::uint8_t* data, std::size_t len) {
    Bytes shown(data, data + len);
    if (len <= kHeader) return shown;
    std::size_t end = len;
    if (shown[end - 1] == '\n') {
        --end;
        if (end > kHeader && shown[end - 1] == '\r') --end;
    }
    for (std::size_t i = kHeader; i < end; ++i) shown[i] = '*';
    return shown;
}

Bytes SecretMask::Shown(fw::Endpoint from, fw::Endpoint to, const std::uint8_t* data,
                        std::size_t len) {
    Header header = ParseHeader(data, len);
    if (header.valid && (header.opcode == RRQ || header.opcode == WRQ)) {
        // A peer's new request ends whatever it did before.
        writers_.erase(KeyOf(from));
        readers_.erase(KeyOf(from));
        if (auto request = ParseRequest(data, len); request && IsSecretFileName(request->name)) {
            (request->op == WRQ ? writers_ : readers_).insert(KeyOf(from));
        }
    }
    bool secret = header.valid && header.opcode == DATA &&
                  (writers_.count(KeyOf(from)) != 0 || readers_.count(KeyOf(to)) != 0);
    return secret ? MaskedData(data, len) : Bytes(data, data + len);
}

}  // namespace tftp
