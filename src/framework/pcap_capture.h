// A capture file of datagrams in the pcap format, written through libpcap's dump interface
// with the link type raw IPv4: each datagram gets the IP and UDP headers it had on the
// wire, made from its real addresses and ports with correct checksums, so that tcpdump
// and Wireshark decode it like a capture taken on the interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/net.h"

struct pcap;
struct pcap_dumper;

namespace fw {

class PcapCapture {
public:
    PcapCapture() = default;
    ~PcapCapture();
    PcapCapture(const PcapCapture&) = delete;
    PcapCapture& operator=(const PcapCapture&) = delete;

    // Creates or truncates the file. False, with the reason ("No such file or directory") in
    // *error, when it cannot.
    bool Open(const std::string& path, std::string* error);
    bool IsOpen() const { return dumper_ != nullptr; }
    // One datagram, time-stamped now. Written through at once, so that a capture stays
    // readable whenever the program ends.
    void Write(Endpoint from, Endpoint to, const std::uint8_t* payload, std::size_t len);
    void Close();

private:
    pcap* dead_ = nullptr;
    pcap_dumper* dumper_ = nullptr;
    std::uint16_t next_id_ = 1;
};

// The largest payload an IPv4 UDP datagram can carry.
inline constexpr std::size_t kMaxUdpPayload = 65507;

// The datagram as it was on the wire: a 20-byte IPv4 header (identification `id`, time to
// live 64), the 8-byte UDP header and the payload (cut at kMaxUdpPayload).
std::vector<std::uint8_t> Ipv4UdpPacket(Endpoint from, Endpoint to, const std::uint8_t* payload,
                                        std::size_t len, std::uint16_t id);

// The Internet checksum (one's complement of the one's complement sum of 16-bit words) of
// `bytes`, continuing from `sum`.
std::uint16_t InternetChecksum(const std::uint8_t* bytes, std::size_t len, std::uint32_t sum = 0);

}  // namespace fw
