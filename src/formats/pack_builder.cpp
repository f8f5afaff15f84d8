#include "formats/pack_builder.h"

#include "formats/formats.h"

namespace {

void Append(ByteVector& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

void AppendField(ByteVector& out, std::string_view text, std::size_t width) {
    text = text.substr(0, width);
    Append(out, text);
    out.insert(out.end(), width - text.size(), 0);
}

void AppendLength32(ByteVector& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

}  // namespace

ByteVector ToBytes(std::string_view text) {
    return ByteVector(text.begin(), text.end());
}

ByteVector BuildPack(std::string_view magic, std::string_view version,
                     const std::vector<PackItem>& items) {
    ByteVector out;
    Append(out, magic);
    if (magic == kMagicPack) {
        AppendField(out, version, 8);
    } else {
        Append(out, version);
        out.push_back(0);
    }
    for (const PackItem& item : items) {
        Append(out, item.name);
        out.push_back(0);
        AppendLength32(out, static_cast<std::uint32_t>(item.data.size()));
    }
    out.push_back(0);
    for (const PackItem& item : items) out.insert(out.end(), item.data.begin(), item.data.end());
    return out;
}

ByteVector BuildImage(std::string_view version_field, const ByteVector& payload) {
    ByteVector out;
    Append(out, kMagicImage);
    AppendField(out, version_field, 8);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

void AppendCompatibleList(ByteVector& file, const std::vector<std::string>& boards) {
    std::size_t length = 0;
    for (const std::string& board : boards) {
        Append(file, board);
        file.push_back(0);
        length += board.size() + 1;
    }
    file.push_back(static_cast<std::uint8_t>(length >> 8));
    file.push_back(static_cast<std::uint8_t>(length));
}
