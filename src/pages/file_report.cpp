#include "pages/file_report.h"

#include "formats/file_facts.h"
#include "formats/formats.h"
#include "formats/image_check.h"
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
