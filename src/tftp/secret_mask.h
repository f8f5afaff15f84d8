// What a capture shows of the program's datagrams: the content of the two files that carry
// the modem's password, "tftplock.key" and "RequestID", is replaced by as many asterisks
// (its line end kept), so that a capture can be handed on without the password.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>
#include <utility>

#include "framework/net.h"
#include "tftp/packet.h"

namespace tftp {

// "tftplock.key" and "RequestID".
bool IsSecretFileName(std::string_view name);

// Follows the requests it is shown: the DATA of a transfer of a secret file (sent by the
// peer that asked to write it, or to the peer that asked to read it) is masked.
class SecretMask {
public:
    Bytes Shown(fw::Endpoint from, fw::Endpoint to, const std::uint8_t* data, std::size_t len);

private:
    using Key = std::pair<std::uint32_t, std::uint16_t>;
    std::set<Key> writers_;  // peers whose last request wrote a secret file
    std::set<Key> readers_;  // peers whose last request read one
};

// The DATA datagram with its content masked: every byte becomes '*' but a final CR LF
// (or LF), the header is kept.
Bytes MaskedData(const std::uint8_t* data, std::size_t len);

}  // namespace tftp
