#include "pages/file_report.h"

#include <memory>

#include "formats/file_facts.h"
#include "formats/formats.h"
#include "formats/image_check.h"
#include "formats/pack_table.h"
#include "framework/file.h"

namespace {

bool HasKnownMagic(const std::string& path) {
    fw::CFile file;
    if (!file.Open(path, fw::CFile::modeRead | fw::CFile::shareDenyWrite)) return false;
    std::string magic = ReadMagic(file);
    return magic == kMagicImage || magic == kMagicPack || magic == kMagicPk11;
}

}  // namespace

FileReport ReportOnFile(const std::string& path) {
    FileReport report;
    if (std::optional<FileFacts> facts = ReadFileFacts(path)) {
        report.factsText = FileFactsText(*facts);
    }
    ImageCheck check = CheckImageFile(path);
    if (!check.ok) report.refusal = HasKnownMagic(path) ? check.message : kUnknownFormatText;
    return report;
}

std::map<std::string, long long> SentFileSizes(const std::string& path) {
    std::map<std::string, long long> sizes;
    fw::CFile file;
    if (!file.Open(path, fw::CFile::modeRead | fw::CFile::shareDenyWrite)) return sizes;
    long long length = file.GetLength();
    std::string magic = ReadMagic(file);
    if (magic == kMagicImage) {
        sizes["image"] = length;
    } else if (magic == kMagicPack || magic == kMagicPk11) {
        auto entries = std::make_unique<PackEntry[]>(kMaxPackEntries);
        int count = 0;
        if (ParsePackTable(file, magic, entries.get(), count) != PackTableResult::ok) return {};
        for (int i = 0; i < count; ++i) sizes[entries[i].name.str()] = entries[i].length;
    }
    return sizes;
}
