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
}  // namespace

std::uint32_t HostAddressForModem(fw::Resolver& resolver) {
    std::vector<std::uint32_t> resolved = resolver.ResolveHost(resolver.HostName());
    if (!resolved.empty() && !IsLoopback(resolved.front())) return resolved.front();
    for (const fw::InterfaceAddress& iface : resolver.Interfaces()) {
        if (iface.up && !iface.loopback && !IsLoopback(iface.addr) && iface.addr != 0) {
            return iface.addr;
        }
    }
    return 0;
}

std::string LatestVersionText(const std::string& bare_name, std::uint32_t host_address,
                              long long size) {
    return "99.0\r\n" + bare_name + "\r\n" + fw::FormatIp(host_address) + "\r\n" +
           std::to_string(size) + "\r\n";
}

void WriteLatestVersion(const std::string& chosen_path) {
    std::uint32_t address = HostAddressForModem(fw::DefaultResolver());
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
        return;
    }
    std::string text = LatestVersionText(name, address, size);
    out.Write(text.data(), text.size());
}
