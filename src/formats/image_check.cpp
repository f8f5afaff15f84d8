#include "formats/image_check.h"

#include <memory>

#include "formats/formats.h"
#include "formats/pack_table.h"
#include "framework/file.h"

namespace {

constexpr const char* kCannotOpenText = "Warning:\nCannot open file.";
constexpr const char* kNotCorrectText = "Warning:\nYour image is not correct.";

ImageCheck Refuse(const char* text) {
    return {false, text};
}

const char* TableProblem(PackTableResult r) {
    switch (r) {
        case PackTableResult::ok:
            return nullptr;
        case PackTableResult::badMagic:
            return kNotCorrectText;
        case PackTableResult::nameTooLong:
            return kPackNameText;
        case PackTableResult::tooManyEntries:
            return kPackTooManyText;
        case PackTableResult::truncated:
        case PackTableResult::tooLarge:
            return kPackTruncatedText;
    }
    return kNotCorrectText;
}

ImageCheck CheckPack(fw::CFile& file, const std::string& magic, long long file_length) {
    // A local table: the check must not disturb the table of a send in progress.
    auto entries = std::make_unique<PackEntry[]>(kMaxPackEntries);
    int count = 0;
    if (const char* problem = TableProblem(ParsePackTable(file, magic, entries.get(), count)))
        return Refuse(problem);
    if (const char* problem = CheckPackEntries(entries.get(), count, file_length))
        return Refuse(problem);
    return {true, {}};
}

}  // namespace

const char* CheckPackEntries(const PackEntry* entries, int count, long long file_length) {
    if (count <= 0) return kPackEmptyText;
    if (count > kMaxPackEntries) return kPackTooManyText;
    for (int i = 0; i < count; ++i) {
        const PackEntry& e = entries[i];
        if (static_cast<long long>(e.offset) + e.length > file_length) return kPackTruncatedText;
        if (e.length >= kSendSizeLimit) return kTooLargeText;
    }
    return nullptr;
}

ImageCheck CheckImageFile(const std::string& path) {
    fw::CFile file;
    if (!file.Open(path, fw::CFile::modeRead | fw::CFile::shareDenyWrite))
        return Refuse(kCannotOpenText);
    long long length = file.GetLength();
    if (length < 0) return Refuse(kCannotOpenText);
    std::string magic = ReadMagic(file);
    if (magic == kMagicImage)
        return length >= kSendSizeLimit ? Refuse(kTooLargeText) : ImageCheck{true, {}};
    if (magic == kMagicPack || magic == kMagicPk11) return CheckPack(file, magic, length);
    return Refuse(kNotCorrectText);
}
