// A further local port of the client. When a request went unanswered, the unlock key and
// the request go out again from a fresh port, so that a late answer to the abandoned request
// cannot be taken for the answer to the new one; the earlier port stays open a while for
// what may still rightly come to it. What a port reads goes to the client, with the port.
#pragma once

#include "framework/async_socket.h"

class TftpClient;

class ClientPort : public fw::CAsyncSocket {
public:
    ClientPort(TftpClient& client, int id) : client_(client), id_(id) {}
    int Id() const { return id_; }
    void OnReceive(int error_code) override;

private:
    TftpClient& client_;
    int id_;
};
