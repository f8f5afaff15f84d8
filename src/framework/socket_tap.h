// A listener to every datagram the program's CAsyncSockets send and receive, for the
// capture a technician sends to a modem's maker. It hears the program's own traffic only;
// nothing is sniffed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/net.h"

namespace fw {

class SocketTap {
public:
    virtual ~SocketTap() = default;
    // A datagram that went out (`from` is the socket's end) or came in (`to` is). A socket
    // bound to every address has the address 0 on its end, unless its stack knows its host's.
    virtual void OnDatagram(Endpoint from, Endpoint to, const std::uint8_t* data,
                            std::size_t len) = 0;
};

// The tap every CAsyncSocket reports to; null (the default) for none.
void SetSocketTap(SocketTap* tap);
SocketTap* InstalledSocketTap();

}  // namespace fw
