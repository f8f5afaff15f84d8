#include "modem/firmware_identity.h"

#include <string_view>

namespace modem {

namespace {

std::string Trimmed(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// The text split at ";" into at most `count` fields (the last keeps the rest).
std::vector<std::string> Fields(std::string_view text, std::size_t count) {
    std::vector<std::string> fields;
    while (fields.size() + 1 < count) {
        std::size_t semicolon = text.find(';');
        if (semicolon == std::string_view::npos) break;
        fields.emplace_back(text.substr(0, semicolon));
        text.remove_prefix(semicolon + 1);
    }
    fields.emplace_back(text);
    return fields;
}

std::string FirmwareOfInfo(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> fields = Fields(text, 5);
    if (fields.size() < 3) return {};
    std::size_t slash = fields[2].find('/');
    if (slash != std::string::npos) return Trimmed(std::string_view(fields[2]).substr(slash + 1));
    if (fields.size() < 4) return {};
    return Trimmed(fields[3]);
}

}  // namespace

std::string VersionCarriedBy(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (name == "info") return FirmwareOfInfo(text);
    if (text.size() >= 12 && text.starts_with("LZ01") && text.substr(4, 3) == "104") {
        std::string_view field = text.substr(4, 8);
        return Trimmed(field.substr(0, field.find('\0')));
    }
    return {};
}

std::string InfoReporting(const std::string& info, const std::string& firmware) {
    std::vector<std::string> fields = Fields(info, 4);
    while (fields.size() < 3) fields.emplace_back();
    // The version ends where the field's line does; what follows it is kept.
    auto replace_from = [&firmware](std::string& field, std::size_t start) {
        std::size_t end = field.find_first_of(";\r\n", start);
        field = field.substr(0, start) + firmware +
                (end == std::string::npos ? std::string() : field.substr(end));
    };
    std::size_t slash = fields[2].find('/');
    if (slash != std::string::npos) {
        replace_from(fields[2], slash + 1);
    } else if (fields.size() == 3) {
        fields.push_back(firmware);
    } else {
        replace_from(fields[3], 0);
    }
    std::string text = fields[0];
    for (std::size_t i = 1; i < fields.size(); ++i) text += ";" + fields[i];
    return text;
}

}  // namespace modem
