// One TFTP exchange of the modem with one peer: the datagram it last sent, the bounded
// retransmission of it, and the quiet wait after the final acknowledgement. The three kinds
// (serving a read, taking a write, fetching from the host) derive from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/net.h"
#include "modem/modem_socket.h"
#include "modem/simulated_modem.h"
#include "tftp/packet.h"

namespace modem {

class Transfer;

// What a transfer needs from the modem that runs it.
class TransferContext {
public:
    virtual ~TransferContext() = default;
    virtual const ModemConfig& Config() const = 0;
    // Sends through the fault plan. `name` is the transfer's file, for packet choices.
    virtual void Send(const std::shared_ptr<ModemSocket>& via, const tftp::Bytes& datagram,
                      fw::Endpoint to, const std::string& name) = 0;
    virtual void Log(const std::string& line) = 0;
    // The transfer is over; the modem destroys it later, outside the current callback.
    virtual void Retire(Transfer& transfer) = 0;
};

class Transfer {
public:
    Transfer(TransferContext& ctx, std::shared_ptr<ModemSocket> socket, fw::Endpoint peer,
             std::string name);
    virtual ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Sends the first datagram of the exchange.
    virtual void Start() = 0;
    // A datagram for this transfer (already matched to it by socket or by peer).
    virtual void OnPacket(const std::uint8_t* data, std::size_t len, fw::Endpoint from) = 0;
    // True while nothing but the first answer has been sent: a repeated request from the
    // peer is then answered again instead of starting over.
    virtual bool AtFirstAnswer() const = 0;
    // Every block has gone out and only the peer's last acknowledgement is awaited.
    virtual bool AllSent() const { return false; }
    // The peer repeated its request: send the first answer again.
    void RepeatFirstAnswer() { Resend(); }
    // Ends the exchange because the modem gave it up (a new request from the same peer).
    void Abandon(const std::string& why);

    // What the log lines call this exchange ("read", "write", "fetch").
    virtual const char* Verb() const = 0;
    const fw::Endpoint& peer() const { return peer_; }
    const std::string& name() const { return name_; }
    bool finished() const { return finished_; }
    ModemSocket& socket() { return *socket_; }
    // "127.0.0.1:40000 read info", the start of every log line of this exchange.
    std::string Describe() const;

protected:
    TransferContext& ctx() { return ctx_; }
    void set_peer(fw::Endpoint peer) { peer_ = peer; }

    // Sends `datagram` and keeps it for retransmission; `guard` arms the retransmission
    // timer, otherwise any running one stops.
    void Transmit(tftp::Bytes datagram, bool guard);
    void Resend();
    // Sends `datagram` once, outside the retransmission (an ERROR that ends the exchange).
    void SendOnce(const tftp::Bytes& datagram);
    // After the final answer: stay a while to answer a repeated last block, then end
    // without a further log line.
    void Linger();
    // Ends the exchange; `line` (if not empty) is its log line.
    void Finish(const std::string& line);
    // The peer stayed silent through every retransmission.
    virtual void OnGiveUp() = 0;

private:
    void OnTimer();
    void StopTimer();

    TransferContext& ctx_;
    std::shared_ptr<ModemSocket> socket_;
    fw::Endpoint peer_;
    std::string name_;
    tftp::Bytes last_sent_;
    int retransmits_ = 0;
    bool lingering_ = false;
    bool finished_ = false;
};

}  // namespace modem
