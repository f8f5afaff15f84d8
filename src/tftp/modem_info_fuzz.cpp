// ParseModemInfo meets whatever a modem puts in block 1 of "info", "ProductInfo" and
// "hw.prof" (or of a name it does not know). Beyond the sanitizers: every field stays
// within its size, a field it changes holds a piece of the received text and nothing else,
// and a name it does not know changes nothing.
//
// Input: byte 0 picks the name; the rest is the block's data.
#include <cstdlib>
#include <string>
#include <string_view>
#include <tuple>

#include "tftp/engine_globals.h"
#include "tftp/modem_info.h"

namespace {

constexpr std::string_view kNames[] = {"info", "ProductInfo", "hw.prof", "other"};
constexpr std::string_view kMarker = "\x01unchanged";

void Check(bool ok) {
    if (!ok) std::abort();
}

// Unchanged, or a piece of the text that fits the field.
template <std::size_t N>
bool Sound(const fw::FixedText<N>& field, std::string_view text) {
    std::string_view v = field;
    if (v.size() >= N) return false;
    return v == kMarker || text.find(v) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string_view name = kNames[data[0] % std::size(kNames)];
    auto fields = std::tie(g_szCompany, g_szDate, g_szHardwareVersion, g_szFirmwareVersion,
                           g_szProductId, g_szMacAddress, g_szTftpVersion, g_szHwProfile);
    std::apply([](auto&... field) { ((field = kMarker), ...); }, fields);

    ParseModemInfo(name, data + 1, size - 1);

    std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string_view text = all.substr(0, all.find('\0'));
    Check(std::apply([&](auto&... field) { return (Sound(field, text) && ...); }, fields));
    bool info = name == "info", product = name == "ProductInfo", prof = name == "hw.prof";
    Check(info || (g_szCompany == kMarker && g_szDate == kMarker &&
                   g_szHardwareVersion == kMarker && g_szFirmwareVersion == kMarker));
    Check(product ||
          (g_szProductId == kMarker && g_szMacAddress == kMarker && g_szTftpVersion == kMarker));
    Check(prof || g_szHwProfile == kMarker);
    if (prof) Check(g_szHwProfile == text.substr(0, decltype(g_szHwProfile)::capacity() - 1));
    return 0;
}
