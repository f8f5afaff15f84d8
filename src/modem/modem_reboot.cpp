// The reboot that ends an update: the modem takes the firmware version the update carried
// (unless it rejects the image), forgets who unlocked it, and says nothing for a while.
#include "framework/event_loop.h"
#include "modem/file_store.h"
#include "modem/firmware_identity.h"
#include "modem/modem_impl.h"

namespace modem {

void SimulatedModem::Impl::NoteUpdateFile(const std::string& name,
                                          const std::vector<std::uint8_t>& bytes) {
    std::string version = VersionCarriedBy(name, bytes);
    // An "info" entry names the firmware; an image's own field counts only without one.
    if (!version.empty() && (name == "info" || update_version.empty())) update_version = version;
}

void SimulatedModem::Impl::Reboot() {
    if (cfg.reject_image) {
        Log("image rejected: firmware stays " + (firmware.empty() ? "as it was" : firmware));
    } else if (!update_version.empty()) {
        firmware = update_version;
        Log("firmware is now " + firmware);
    }
    update_version.clear();
    if (cfg.reboot_seconds <= 0) return;
    hosts.clear();
    rebooting_until = fw::MainLoop().Now() + static_cast<fw::Millis>(cfg.reboot_seconds) * 1000;
    Log("rebooting: silent for " + std::to_string(cfg.reboot_seconds) + " s");
}

bool SimulatedModem::Impl::Rebooting() const {
    return rebooting_until >= 0 && fw::MainLoop().Now() < rebooting_until;
}

std::optional<std::vector<std::uint8_t>> SimulatedModem::Impl::ReportedInfo() const {
    if (firmware.empty()) return std::nullopt;
    auto info = ReadServedFile(cfg.data_dir, "info");
    std::string text = info ? std::string(info->begin(), info->end()) : std::string();
    text = InfoReporting(text, firmware);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace modem
