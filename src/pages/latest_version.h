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
// The refusal of a "VxWorks" upgrade whose "LatestVersion" could not be written: an older
// one beside the image would send the modem to another image.
inline constexpr const char* kLatestVersionFailedText =
    "Error:\nCannot write the LatestVersion file.";

// What decides the address the modem is told to fetch from.
struct HostAddressHints {
    std::string listen;       // the local server's listen address ("" or 0.0.0.0: every one)
    std::string device;       // the network device the client sends from
    std::uint32_t modem = 0;  // the modem's address
};

// The host's own IPv4 address as the modem must see it: the listen address when the local
// server listens on one; else the address of the client's network device; else the address
// the routing table sends from to reach the modem. Failing those, the host name's first
// address unless it is a loopback one, then the first interface that is up and not
// loopback; with none, 0.
std::uint32_t HostAddressForModem(fw::Resolver& resolver, const HostAddressHints& hints = {});

// The four lines: "99.0", the bare file name, the host's address, the size in bytes.
std::string LatestVersionText(const std::string& bare_name, std::uint32_t host_address,
                              long long size);

// Writes the file for the image at `chosen_path` into the current directory (the image's
// folder once the open-file dialog has moved there). Failures go to the log; false when
// the file could not be written.
bool WriteLatestVersion(const std::string& chosen_path, std::uint32_t host_address);
