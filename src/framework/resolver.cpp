#include "framework/resolver.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace fw {

namespace {

class SystemResolverImpl : public Resolver {
public:
    std::string HostName() override {
        char name[256] = {};
        if (::gethostname(name, sizeof name - 1) != 0) return {};
        return name;
    }

    std::vector<std::uint32_t> ResolveHost(const std::string& name) override {
        std::vector<std::uint32_t> out;
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo* list = nullptr;
        if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0) return out;
        for (addrinfo* ai = list; ai; ai = ai->ai_next) {
            const auto* sa = reinterpret_cast<const sockaddr_in*>(ai->ai_addr);
            std::uint32_t addr = ntohl(sa->sin_addr.s_addr);
            // getaddrinfo lists an address once per socket type it could serve.
            if (std::find(out.begin(), out.end(), addr) == out.end()) out.push_back(addr);
        }
        ::freeaddrinfo(list);
        return out;
    }

    std::vector<InterfaceAddress> Interfaces() override {
        std::vector<InterfaceAddress> out;
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) != 0) return out;
        for (ifaddrs* ifa = list; ifa; ifa = ifa->ifa_next) {
            if (!ifa->ifa_addr || ifa->ifa_addr->sa_family != AF_INET) continue;
            const auto* sa = reinterpret_cast<const sockaddr_in*>(ifa->ifa_addr);
            InterfaceAddress entry;
            entry.name = ifa->ifa_name ? ifa->ifa_name : "";
            entry.addr = ntohl(sa->sin_addr.s_addr);
            entry.up = (ifa->ifa_flags & IFF_UP) != 0;
            entry.loopback = (ifa->ifa_flags & IFF_LOOPBACK) != 0;
            out.push_back(entry);
        }
        ::freeifaddrs(list);
        return out;
    }

    std::uint32_t RouteSourceAddress(std::uint32_t destination) override {
        // Connecting a UDP socket only chooses the route and the source address.
        int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return 0;
        int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(69);
        to.sin_addr.s_addr = htonl(destination);
        sockaddr_in local{};
        socklen_t length = sizeof local;
        std::uint32_t source = 0;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0) {
            source = ntohl(local.sin_addr.s_addr);
        }
        ::close(fd);
        return source;
    }
};

Resolver* g_default_resolver = nullptr;

}  // namespace

Resolver& SystemResolver() {
    static SystemResolverImpl resolver;
    return resolver;
}

Resolver& DefaultResolver() {
    return g_default_resolver ? *g_default_resolver : SystemResolver();
}

void SetDefaultResolver(Resolver* resolver) {
    g_default_resolver = resolver;
}

}  // namespace fw
