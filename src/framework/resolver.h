// The host's own name and addresses, behind a seam so that tests never depend on DNS.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fw {

struct InterfaceAddress {
    std::string name;
    std::uint32_t addr = 0;  // host byte order
    bool up = false;
    bool loopback = false;
};

class Resolver {
public:
    virtual ~Resolver() = default;
    virtual std::string HostName() = 0;
    virtual std::vector<std::uint32_t> ResolveHost(const std::string& name) = 0;
    virtual std::vector<InterfaceAddress> Interfaces() = 0;
    // The local address the routing table would send from to reach `destination` (no
    // datagram is sent); 0 when there is no route or the question cannot be asked.
    virtual std::uint32_t RouteSourceAddress(std::uint32_t /*destination*/) { return 0; }
};

Resolver& SystemResolver();
Resolver& DefaultResolver();
void SetDefaultResolver(Resolver* resolver);

}  // namespace fw
