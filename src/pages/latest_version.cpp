#include "pages/latest_version.h"

#include "framework/file.h"
#include "framework/net.h"
#include "framework/resolver.h"
#include "pages/file_choice.h"
#include "tftp/host_hooks.h"

namespace {

bool IsLoopback(std::uint32_t addr) {
    return (addr >> 24) == 127;
}

std::uint32_t DeviceAddress(fw::Resolver& resolver, const std::string& device) {
    for (const fw::InterfaceAddress& iface : resolver.Interfaces()) {
        if (iface.name == device && iface.addr != 0) return iface.addr;
    }
    return 0;
}

std::uint32_t HostNameAddress(fw::Resolver& resolver) {
    std::vector<std::uint32_t> resolved = resolver.ResolveHost(resolver.HostName());
    if (!resolved.empty() && !IsLoopback(resolved.front())) return resolved.front();
    for (const fw::InterfaceAddress& iface : resolver.Interfaces()) {
        if (iface.up && !iface.loopback && !IsLoopback(iface.addr) && iface.addr != 0) {
            return iface.addr;
        }
    }
    return 0;
}

}  // namespace

std::uint32_t HostAddressForModem(fw::Resolver& resolver, const HostAddressHints& hints) {
    if (auto listen = fw::ParseIp(hints.listen); listen && *listen != fw::kAnyAddr) return *listen;
    if (!hints.device.empty()) {
        if (std::uint32_t address = DeviceAddress(resolver, hints.device)) return address;
    }
    if (hints.modem != 0) {
        if (std::uint32_t address = resolver.RouteSourceAddress(hints.modem)) return address;
    }
    return HostNameAddress(resolver);
}

std::string LatestVersionText(const std::string& bare_name, std::uint32_t host_address,
                              long long size) {
    return "99.0\r\n" + bare_name + "\r\n" + fw::FormatIp(host_address) + "\r\n" +
           std::to_string(size) + "\r\n";
}

bool WriteLatestVersion(const std::string& chosen_path, std::uint32_t host_address) {
    std::string name = BareFileName(chosen_path);

    long long size = 0;
    fw::CFile image;
    if (image.Open(name, fw::CFile::modeRead | fw::CFile::shareDenyWrite)) {
        size = image.Seek(0, fw::CFile::end);
        if (size < 0) size = 0;
    } else {
        LogMessage("Error to open file!");
    }

    fw::CFile out;
    if (!out.Open(kLatestVersionFile, fw::CFile::modeCreate | fw::CFile::modeWrite)) {
        LogMessage("Error to open LastVersion file to write!");
        return false;
    }
    std::string text = LatestVersionText(name, host_address, size);
    if (!out.Write(text.data(), text.size()) || !out.Flush()) {
        LogMessage("Error to write LastVersion file!");
        return false;
    }
    return true;
}
