#include "framework/pcap_capture.h"

#include <pcap/pcap.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace fw {

namespace {

constexpr std::size_t kIpHeader = 20;
constexpr std::size_t kUdpHeader = 8;
constexpr std::uint8_t kUdpProtocol = 17;
constexpr int kSnapLength = 65535;

void Put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
    Put16(at, value >> 16);
    Put16(at + 2, value & 0xFFFF);
}

std::uint32_t AddWords(const std::uint8_t* bytes, std::size_t len, std::uint32_t sum) {
    for (std::size_t i = 0; i + 1 < len; i += 2) {
        sum += static_cast<std::uint32_t>(bytes[i] << 8 | bytes[i + 1]);
    }
    if (len % 2 != 0) sum += static_cast<std::uint32_t>(bytes[len - 1] << 8);
    return sum;
}

}  // namespace

std::uint16_t InternetChecksum(const std::uint8_t* bytes, std::size_t len, std::uint32_t sum) {
    sum = AddWords(bytes, len, sum);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::vector<std::uint8_t> Ipv4UdpPacket(Endpoint from, Endpoint to, const std::uint8_t* payload,
                                        std::size_t len, std::uint16_t id) {
    len = std::min(len, kMaxUdpPayload);
    std::vector<std::uint8_t> packet(kIpHeader + kUdpHeader + len);
    std::uint8_t* ip = packet.data();
    ip[0] = 0x45;  // version 4, header of five words
    Put16(ip + 2, static_cast<std::uint32_t>(packet.size()));
    Put16(ip + 4, id);
    ip[8] = 64;
    ip[9] = kUdpProtocol;
    Put32(ip + 12, from.addr);
    Put32(ip + 16, to.addr);
    Put16(ip + 10, InternetChecksum(ip, kIpHeader));

    std::uint8_t* udp = ip + kIpHeader;
    std::uint32_t udp_length = static_cast<std::uint32_t>(kUdpHeader + len);
    Put16(udp, from.port);
    Put16(udp + 2, to.port);
    Put16(udp + 4, udp_length);
    if (len > 0) std::copy(payload, payload + len, udp + kUdpHeader);
    // The pseudo-header: both addresses, the protocol and the UDP length.
    std::uint8_t pseudo[12] = {};
    Put32(pseudo, from.addr);
    Put32(pseudo + 4, to.addr);
    pseudo[9] = kUdpProtocol;
    Put16(pseudo + 10, udp_length);
    std::uint16_t checksum = InternetChecksum(udp, udp_length, AddWords(pseudo, sizeof pseudo, 0));
    // A computed zero is sent as all ones: zero means "no checksum".
    Put16(udp + 6, checksum == 0 ? 0xFFFF : checksum);
    return packet;
}

PcapCapture::~PcapCapture() {
    Close();
}

bool PcapCapture::Open(const std::string& path, std::string* error) {
    Close();
    dead_ = pcap_open_dead(DLT_RAW, kSnapLength);
    if (!dead_) {
        if (error) *error = "libpcap could not be started";
        return false;
    }
    errno = 0;
    dumper_ = pcap_dump_open(dead_, path.c_str());
    if (!dumper_) {
        if (error) *error = errno != 0 ? std::strerror(errno) : pcap_geterr(dead_);
        pcap_close(dead_);
        dead_ = nullptr;
        return false;
    }
    pcap_dump_flush(dumper_);
    return true;
}

void PcapCapture::Write(Endpoint from, Endpoint to, const std::uint8_t* payload, std::size_t len) {
    if (!dumper_) return;
    std::vector<std::uint8_t> packet = Ipv4UdpPacket(from, to, payload, len, next_id_++);
    pcap_pkthdr header{};
    ::gettimeofday(&header.ts, nullptr);
    header.caplen = static_cast<bpf_u_int32>(packet.size());
    header.len = header.caplen;
    pcap_dump(reinterpret_cast<u_char*>(dumper_), &header, packet.data());
    pcap_dump_flush(dumper_);
}

void PcapCapture::Close() {
    if (dumper_) {
        pcap_dump_close(dumper_);
        dumper_ = nullptr;
    }
    if (dead_) {
        pcap_close(dead_);
        dead_ = nullptr;
    }
}

}  // namespace fw
