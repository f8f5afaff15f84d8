// The "LatestVersion" file that an image chosen for a "VxWorks" modem leaves beside it:
// the modem reads it from the local TFTP server to learn which image to fetch and from
// where. Four lines, each ended by CR LF as the original's text-mode file had them.
#pragma once

#include <cstdint>
#include <string>

namespace fw {
class Resolver;
}

inline constexpr const char* kLatestVersionFile = "LatestVersion";

// The host's own IPv4 address as the modem must see it: the host name's first address,
// unless that is a loopback address (a host name mapped to 127.0.1.1) or does not resolve;
// then the first address of an interface that is up and not loopback; with none, 0.
std::uint32_t HostAddressForModem(fw::Resolver& resolver);

// The four lines: "99.0", the bare file name, the host's address, the size in bytes.
std::string LatestVersionText(const std::string& bare_name, std::uint32_t host_address,
                              long long size);

// Writes the file for the image at `chosen_path` into the current directory (the image's
// folder once the open-file dialog has moved there). Failures go to the log only.
void WriteLatestVersion(const std::string& chosen_path);
