// An in-memory datagram network driven by the event loop (normally on a manual clock):
// deterministic and instant. Hosts are stacks with their own addresses; a datagram to
// 255.255.255.255 reaches every host's socket bound to that port, the sender's own host
// included, as on a real segment. A delay for every datagram, a filter that picks datagrams
// and a shaper that decides each one's copies let tests lose, repeat and reorder them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/event_loop.h"
#include "framework/net.h"

namespace fw {

struct Datagram {
    Endpoint from;
    Endpoint to;  // as addressed by the sender (255.255.255.255 for a broadcast)
    std::vector<std::uint8_t> bytes;
    Millis sent_at = 0;
};

struct LinkFaults {
    Millis delay = 0;  // every datagram takes this long
};

enum class Verdict { kDeliver, kDrop, kDuplicate };

// One copy of a datagram on its way: delivered after `delay`, unless `still` (when set)
// says no at that moment.
struct Delivery {
    Millis delay = 0;
    std::function<bool()> still;
};

class InMemoryNetwork {
public:
    explicit InMemoryNetwork(EventLoop& loop);
    ~InMemoryNetwork();

    // A host with its own address; the stack lives as long as the network.
    NetStack& AddHost(std::uint32_t addr);

    void SetFaults(const LinkFaults& faults);
    // Decides per datagram (tests pick packets with it): dropped, delivered or delivered twice.
    void SetFilter(std::function<Verdict(const Datagram&)> filter);
    // Decides every datagram's fate in place of the filter and the delay: the copies delivered
    // (none: lost), each with a delay of its own, so that a test can lose, repeat, hold back
    // and reorder datagrams as it pleases. Empty function: back to the filter.
    void SetShaper(std::function<std::vector<Delivery>(const Datagram&)> shaper);

    // Every datagram sent on the network, in order, before any fault is applied.
    const std::vector<Datagram>& Trace() const;
    void ClearTrace();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace fw
