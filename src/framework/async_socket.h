// CAsyncSocket: a UDP socket object whose read notifications arrive as OnReceive calls on
// the event loop, as the window framework's asynchronous sockets delivered them.
#pragma once

#include <memory>
#include <string>

#include "framework/net.h"

namespace fw {

constexpr int SOCKET_ERROR = -1;

enum SocketOption { SO_BROADCAST_OPT, SO_REUSEADDR_OPT };

class CAsyncSocket {
public:
    CAsyncSocket();
    virtual ~CAsyncSocket();
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;

    // The stack to open on; call before Create. Default: DefaultStack().
    void SetStack(NetStack* stack);
    // The stack set with SetStack (nullptr: DefaultStack()).
    NetStack* Stack() const { return stack_; }

    // A datagram socket on `port` (0: any free port) and `address` (null or empty: all).
    bool Create(unsigned port = 0, const char* address = nullptr);
    void Close();
    bool IsOpen() const;

    bool SetSockOpt(SocketOption option, int value);
    // SO_BINDTODEVICE: datagrams leave by this interface only.
    bool BindToDevice(const std::string& ifname);

    // Bytes sent, or SOCKET_ERROR with GetLastError() set. `address` is dotted text
    // ("255.255.255.255" broadcasts); text that is not an address fails.
    int SendTo(const void* buf, int len, unsigned port, const char* address);
    // The same to an address already parsed, for a peer that is sent to again and again.
    int SendTo(const void* buf, int len, Endpoint to);
    // Bytes read, or SOCKET_ERROR (a datagram longer than len is a failed read).
    int ReceiveFrom(void* buf, int len, std::string& address, unsigned& port);
    // The same, with the sender's address as it came, not yet written out as text.
    int ReceiveFrom(void* buf, int len, Endpoint& from);

    int GetLastError() const { return last_error_; }
    unsigned LocalPort() const;

    // Read notification; the base class does nothing. Called while datagrams wait, again
    // after each call that read one; a call that returns without reading is the last until
    // the socket is read, as on the original platform.
    virtual void OnReceive(int error_code);

private:
    // The socket's own end as a tap is told it.
    Endpoint TappedLocal() const;
    bool Usable(int len);

    NetStack* stack_ = nullptr;
    std::unique_ptr<DatagramSocket> socket_;
    int last_error_ = 0;
};

}  // namespace fw
