// The capture a technician hands to a modem's maker: every datagram the window's sockets
// (the client and the local server) send and receive, written to a pcap file as it goes,
// with the content of the password-bearing files masked unless asked otherwise.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "framework/pcap_capture.h"
#include "framework/socket_tap.h"
#include "tftp/secret_mask.h"

class SupportCapture : public fw::SocketTap {
public:
    explicit SupportCapture(bool keep_secrets) : keep_secrets_(keep_secrets) {}
    ~SupportCapture() override;

    // Creates the file and starts hearing every socket. False, with the reason, when the
    // file cannot be written.
    bool Open(const std::string& path, std::string* error);

    void OnDatagram(fw::Endpoint from, fw::Endpoint to, const std::uint8_t* data,
                    std::size_t len) override;

private:
    // A socket bound to every address was reached at (or sent from) the address the
    // routing table uses toward its peer.
    std::uint32_t OwnAddressToward(std::uint32_t peer);

    bool keep_secrets_;
    fw::PcapCapture pcap_;
    tftp::SecretMask mask_;
    std::map<std::uint32_t, std::uint32_t> own_address_;
};
