#include "app/capture.h"

#include "framework/resolver.h"

SupportCapture::~SupportCapture() {
    if (fw::InstalledSocketTap() == this) fw::SetSocketTap(nullptr);
}

bool SupportCapture::Open(const std::string& path, std::string* error) {
    if (!pcap_.Open(path, error)) return false;
    fw::SetSocketTap(this);
    return true;
}

std::uint32_t SupportCapture::OwnAddressToward(std::uint32_t peer) {
    auto known = own_address_.find(peer);
    if (known != own_address_.end()) return known->second;
    std::uint32_t own = fw::DefaultResolver().RouteSourceAddress(peer);
    own_address_[peer] = own;
    return own;
}

void SupportCapture::OnDatagram(fw::Endpoint from, fw::Endpoint to, const std::uint8_t* data,
                                std::size_t len) {
    if (from.addr == fw::kAnyAddr) from.addr = OwnAddressToward(to.addr);
    if (to.addr == fw::kAnyAddr) to.addr = OwnAddressToward(from.addr);
    tftp::Bytes shown =
        keep_secrets_ ? tftp::Bytes(data, data + len) : mask_.Shown(from, to, data, len);
    pcap_.Write(from, to, shown.data(), shown.size());
}
