// A UDP socket of the simulated modem: hands every datagram it reads, with its sender, to
// one handler. The modem decides what a datagram means; the socket only moves bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "framework/async_socket.h"
#include "framework/net.h"
#include "tftp/packet.h"

namespace modem {

class ModemSocket : public fw::CAsyncSocket {
public:
    using Handler =
        std::function<void(const std::uint8_t* data, std::size_t len, fw::Endpoint from)>;

    ModemSocket(fw::NetStack& stack, Handler handler);

    // Binds to addr:port (addr 0: every address; port 0: any free port).
    bool Open(std::uint32_t addr, std::uint16_t port, std::string* error);
    bool Send(const tftp::Bytes& datagram, fw::Endpoint to);

    void OnReceive(int error_code) override;

private:
    Handler handler_;
};

}  // namespace modem
