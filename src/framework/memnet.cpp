#include "framework/memnet.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <string>

namespace fw {

namespace {

constexpr std::uint16_t kFirstEphemeralPort = 49152;
constexpr std::size_t kMaxUdpPayload = 65507;

bool IsLoopback(std::uint32_t addr) {
    return (addr >> 24) == 127;
}

struct Core;
struct Host;

// The state of one in-memory socket, shared with the notifications queued for it so that a
// socket closed (even from its own OnReceive) is simply skipped later.
struct SockState {
    Host* host = nullptr;
    Endpoint local;
    bool bound = false;
    bool closed = false;
    bool broadcast = false;
    bool reuse = false;
    std::uint64_t bind_order = 0;
    std::deque<std::pair<Endpoint, std::vector<std::uint8_t>>> queue;
    std::function<void()> on_readable;
    bool notify_pending = false;
    // A handler that returns without reading is not called again until the socket is
    // read, as the original platform re-enabled its read notification only on a read.
    // Without this a handler that ignores its socket would spin the loop for ever.
    bool armed = true;
    std::uint64_t reads = 0;
};

struct Host : NetStack {
    Host(Core* core, std::uint32_t addr) : core(core), addr(addr) {}
    std::unique_ptr<DatagramSocket> OpenUdp(int* err) override;
    std::uint32_t HostAddress() const override { return addr; }

    Core* core;
    std::uint32_t addr;
    std::uint16_t next_ephemeral = kFirstEphemeralPort;
};

struct Core : std::enable_shared_from_this<Core> {
    explicit Core(EventLoop& loop) : loop(loop) {}

    EventLoop& loop;
    LinkFaults faults;
    std::function<Verdict(const Datagram&)> filter;
    std::function<std::vector<Delivery>(const Datagram&)> shaper;
    std::vector<Datagram> trace;
    std::vector<std::unique_ptr<Host>> hosts;
    std::vector<std::weak_ptr<SockState>> bound;
    std::uint64_t bind_counter = 0;

    std::vector<std::shared_ptr<SockState>> BoundOn(const Host* host, std::uint16_t port) {
        std::vector<std::shared_ptr<SockState>> found;
        for (auto& weak : bound) {
            auto s = weak.lock();
            if (s && !s->closed && s->host == host && s->local.port == port) found.push_back(s);
        }
        return found;
    }

    int Bind(const std::shared_ptr<SockState>& s, Endpoint local) {
        if (s->bound) return EINVAL;
        Host* host = s->host;
        if (local.addr != kAnyAddr && local.addr != host->addr && !IsLoopback(local.addr)) {
            return EADDRNOTAVAIL;
        }
        if (local.port == 0) {
            int port = PickEphemeral(host);
            if (port < 0) return EADDRINUSE;
            local.port = static_cast<std::uint16_t>(port);
        } else {
            for (const auto& other : BoundOn(host, local.port)) {
                bool overlap = other->local.addr == kAnyAddr || local.addr == kAnyAddr ||
                               other->local.addr == local.addr;
                if (overlap && !(other->reuse && s->reuse)) return EADDRINUSE;
            }
        }
        s->local = local;
        s->bound = true;
        s->bind_order = ++bind_counter;
        bound.push_back(s);
        return 0;
    }

    int PickEphemeral(Host* host) {
        for (int tries = 0; tries < 65536 - kFirstEphemeralPort; ++tries) {
            std::uint16_t port = host->next_ephemeral;
            host->next_ephemeral =
                port == 65535 ? kFirstEphemeralPort : static_cast<std::uint16_t>(port + 1);
            if (BoundOn(host, port).empty()) return port;
        }
        return -1;
    }

    void Unbind(const std::shared_ptr<SockState>& s) {
        s->closed = true;
        s->queue.clear();
        s->on_readable = nullptr;
        std::erase_if(bound, [&](const std::weak_ptr<SockState>& w) {
            auto locked = w.lock();
            return !locked || locked == s;
        });
    }

    Host* HostFor(std::uint32_t addr) {
        for (auto& h : hosts) {
            if (h->addr == addr) return h.get();
        }
        return nullptr;
    }

    // Unicast goes to one socket: the one bound to the exact address before one bound to
    // any, the latest bound among equals (as with address reuse on a real stack).
    std::vector<std::shared_ptr<SockState>> Receivers(const Datagram& d, const Host* sender) {
        std::vector<std::shared_ptr<SockState>> out;
        if (d.to.addr == kBroadcastAddr) {
            for (auto& h : hosts) {
                for (auto& s : BoundOn(h.get(), d.to.port)) {
                    if (!IsLoopback(s->local.addr)) out.push_back(s);
                }
            }
            return out;
        }
        const Host* host = IsLoopback(d.to.addr) ? sender : HostFor(d.to.addr);
        if (!host) return out;
        std::shared_ptr<SockState> best;
        for (auto& s : BoundOn(host, d.to.port)) {
            bool exact = s->local.addr == d.to.addr;
            if (!exact && s->local.addr != kAnyAddr) continue;
            bool best_exact = best && best->local.addr == d.to.addr;
            if (!best || exact > best_exact ||
                (exact == best_exact && s->bind_order > best->bind_order)) {
                best = s;
            }
        }
        if (best) out.push_back(best);
        return out;
    }

    void Notify(const std::shared_ptr<SockState>& s) {
        if (!s->on_readable || s->notify_pending || s->closed || !s->armed) return;
        s->notify_pending = true;
        std::weak_ptr<Core> weak_core = weak_from_this();
        std::weak_ptr<SockState> weak_sock = s;
        loop.Post([weak_core, weak_sock] {
            auto core = weak_core.lock();
            auto sock = weak_sock.lock();
            if (!core || !sock) return;
            sock->notify_pending = false;
            if (sock->closed || sock->queue.empty() || !sock->on_readable) return;
            std::function<void()> callback = sock->on_readable;
            std::uint64_t reads = sock->reads;
            callback();
            if (sock->reads == reads) {
                sock->armed = false;
            } else if (!sock->queue.empty()) {
                core->Notify(sock);  // tell again while datagrams are still waiting
            }
        });
    }

    void Deliver(const Datagram& d, const Host* sender) {
        for (auto& s : Receivers(d, sender)) {
            s->queue.emplace_back(d.from, d.bytes);
            Notify(s);
        }
    }

    void Schedule(const Datagram& d, const Host* sender, Millis delay,
                  std::function<bool()> still = {}) {
        std::weak_ptr<Core> weak_core = weak_from_this();
        auto task = [weak_core, d, sender, still = std::move(still)] {
            auto core = weak_core.lock();
            if (core && (!still || still())) core->Deliver(d, sender);
        };
        if (delay > 0) {
            loop.PostDelayed(delay, std::move(task));
        } else {
            loop.Post(std::move(task));
        }
    }

    void Send(Datagram d, const Host* sender) {
        trace.push_back(d);
        if (shaper) {
            for (Delivery& copy : shaper(d)) Schedule(d, sender, copy.delay, std::move(copy.still));
            return;
        }
        Verdict verdict = filter ? filter(d) : Verdict::kDeliver;
        int copies = verdict == Verdict::kDrop ? 0 : verdict == Verdict::kDuplicate ? 2 : 1;
        for (int i = 0; i < copies; ++i) Schedule(d, sender, faults.delay);
    }
};

class MemSocket : public DatagramSocket {
public:
    MemSocket(std::shared_ptr<Core> core, Host* host)
        : core_(std::move(core)), state_(std::make_shared<SockState>()) {
        state_->host = host;
    }
    ~MemSocket() override { core_->Unbind(state_); }

    int Bind(Endpoint local) override { return core_->Bind(state_, local); }
    int SetBroadcast(bool on) override {
        state_->broadcast = on;
        return 0;
    }
    int SetReuseAddr(bool on) override {
        state_->reuse = on;
        return 0;
    }
    int BindToDevice(const std::string& ifname) override {
        // Every simulated host has one segment interface and loopback.
        return ifname.empty() || ifname == "eth0" || ifname == "lo" ? 0 : ENODEV;
    }

    long SendTo(const void* data, std::size_t len, Endpoint to) override {
        if (len > kMaxUdpPayload) return -EMSGSIZE;
        if (to.port == 0) return -EINVAL;
        if (to.addr == kBroadcastAddr && !state_->broadcast) return -EACCES;
        if (!state_->bound) {
            if (int err = core_->Bind(state_, Endpoint{kAnyAddr, 0})) return -err;
        }
        Datagram d;
        d.from.port = state_->local.port;
        d.from.addr = state_->local.addr != kAnyAddr ? state_->local.addr
                      : IsLoopback(to.addr)          ? 0x7F000001u
                                                     : state_->host->addr;
        d.to = to;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        d.bytes.assign(bytes, bytes + len);
        d.sent_at = core_->loop.Now();
        core_->Send(std::move(d), state_->host);
        return static_cast<long>(len);
    }

    long RecvFrom(void* buf, std::size_t cap, Endpoint* from) override {
        ++state_->reads;
        if (!state_->armed) {
            state_->armed = true;
            if (state_->queue.size() > 1) core_->Notify(state_);  // what this read leaves
        }
        if (state_->queue.empty()) return -EAGAIN;
        auto [sender, bytes] = std::move(state_->queue.front());
        state_->queue.pop_front();
        if (bytes.size() > cap) return -EMSGSIZE;  // consumed, like a truncated real read
        if (!bytes.empty()) std::memcpy(buf, bytes.data(), bytes.size());
        if (from) *from = sender;
        return static_cast<long>(bytes.size());
    }

    Endpoint Local() const override { return state_->local; }

    void SetReadableCallback(std::function<void()> on_readable) override {
        state_->on_readable = std::move(on_readable);
        if (!state_->queue.empty()) core_->Notify(state_);
    }

private:
    std::shared_ptr<Core> core_;  // keeps the network's state alive as long as the socket
    std::shared_ptr<SockState> state_;
};

std::unique_ptr<DatagramSocket> Host::OpenUdp(int* err) {
    if (err) *err = 0;
    return std::make_unique<MemSocket>(core->shared_from_this(), this);
}

}  // namespace

struct InMemoryNetwork::Impl {
    std::shared_ptr<Core> core;
};

InMemoryNetwork::InMemoryNetwork(EventLoop& loop) : impl_(std::make_unique<Impl>()) {
    impl_->core = std::make_shared<Core>(loop);
}

InMemoryNetwork::~InMemoryNetwork() = default;

NetStack& InMemoryNetwork::AddHost(std::uint32_t addr) {
    Core& core = *impl_->core;
    if (Host* existing = core.HostFor(addr)) return *existing;
    core.hosts.push_back(std::make_unique<Host>(&core, addr));
    return *core.hosts.back();
}

void InMemoryNetwork::SetFaults(const LinkFaults& faults) {
    impl_->core->faults = faults;
}

void InMemoryNetwork::SetFilter(std::function<Verdict(const Datagram&)> filter) {
    impl_->core->filter = std::move(filter);
}

void InMemoryNetwork::SetShaper(std::function<std::vector<Delivery>(const Datagram&)> shaper) {
    impl_->core->shaper = std::move(shaper);
}

const std::vector<Datagram>& InMemoryNetwork::Trace() const {
    return impl_->core->trace;
}

void InMemoryNetwork::ClearTrace() {
    impl_->core->trace.clear();
}

}  // namespace fw
