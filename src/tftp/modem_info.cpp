#include "tftp/modem_info.h"

#include <cstring>
#include <string>
#include <vector>

#include "tftp/engine_globals.h"

namespace {

// Fields separated by ";", leading blanks dropped, trailing blanks and line ends kept. A text
// that ends with ";" (or is empty) has no field after it.
std::vector<std::string_view> SplitFields(std::string_view text, std::size_t max_fields) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (fields.size() < max_fields && pos < text.size()) {
        std::size_t end = text.find(';', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view field = text.substr(pos, end - pos);
        while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
        fields.push_back(field);
        pos = end + 1;
    }
    return fields;
}

void ParseInfo(std::string_view text) {
    auto f = SplitFields(text, 4);
    if (f.size() > 0) g_szCompany = f[0];
    if (f.size() > 1) g_szDate = f[1];
    if (f.size() > 2) {
        std::size_t slash = f[2].find('/');
        if (slash != std::string_view::npos) {
            g_szHardwareVersion = f[2].substr(0, slash);
            g_szFirmwareVersion = f[2].substr(slash + 1);
            return;
        }
        g_szHardwareVersion = f[2];
    }
    if (f.size() > 3) g_szFirmwareVersion = f[3];
}

void ParseProductInfo(std::string_view text) {
    auto f = SplitFields(text, 3);
    if (f.size() > 0) g_szProductId = f[0];
    if (f.size() > 1) g_szMacAddress = f[1];
    if (f.size() > 2) g_szTftpVersion = f[2];
}

}  // namespace

void ParseModemInfo(std::string_view remote_name, const std::uint8_t* data, std::size_t len) {
    const char* chars = reinterpret_cast<const char*>(data);
    std::size_t n = data ? strnlen(chars, len) : 0;
    std::string_view text(chars, n);
    if (remote_name == "info") {
        ParseInfo(text);
    } else if (remote_name == "ProductInfo") {
        ParseProductInfo(text);
    } else if (remote_name == "hw.prof") {
        g_szHwProfile = text;
    }
}

void ClearModemInfoFields() {
    g_szProductId.Clear();
    g_szMacAddress.Clear();
    g_szHardwareVersion.Clear();
    g_szFirmwareVersion.Clear();
    g_szHwProfile.Clear();
}
