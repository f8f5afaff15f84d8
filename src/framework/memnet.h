// An in-memory datagram network driven by the event loop (normally on a manual clock):
// deterministic and instant. Hosts are stacks with their own addresses; a datagram to
// 255.255.255.255 reaches every host's socket bound to that port, the sender's own host
// included, as on a real segment. Loss, duplication, reordering and delay can be injected,
// at random from a seed or by a filter that picks datagrams.
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
    int loss_percent = 0;       // share of datagrams dropped
    int duplicate_percent = 0;  // share delivered twice
    int reorder_percent = 0;    // share held back by `reorder_delay`
    Millis delay = 0;           // every datagram takes this long
    Millis reorder_delay = 5;
    std::uint32_t seed = 1;
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
    // Decides per datagram before the random faults apply (tests pick packets with it):
    // kDrop and kDuplicate are final, kDeliver leaves the datagram to the random faults.
    void SetFilter(std::function<Verdict(const Datagram&)> filter);
    // Decides every datagram's fate in place of the filter and the random faults: the copies
    // delivered (none: lost), each with a delay of its own, so that a test can lose, repeat,
    // hold back and reorder datagrams as it pleases. Empty function: back to the faults.
    void SetShaper(std::function<std::vector<Delivery>(const Datagram&)> shaper);

    // Every datagram sent on the network, in order, before any fault is applied.
    const std::vector<Datagram>& Trace() const;
    void ClearTrace();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace fw
