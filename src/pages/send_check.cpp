#include "pages/send_check.h"

#include <filesystem>

#include "formats/file_checksum.h"
#include "formats/image_check.h"
#include "framework/file.h"
#include "pages/file_choice.h"
#include "tftp/host_hooks.h"

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> g_givenChecksums;

// One spelling per file, so that "fw.comp" and "/srv/fw/./fw.comp" find the same checksum.
std::string SamePath(const std::string& path) {
    std::error_code error;
    fs::path canonical = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? path : canonical.string();
}

void Log(const std::string& line) {
    LogMessage(line.c_str());
}

}  // namespace

void SetGivenChecksums(std::map<std::string, std::string> checksums_by_path) {
    g_givenChecksums.clear();
    for (auto& [path, hex] : checksums_by_path) g_givenChecksums[SamePath(path)] = std::move(hex);
}

std::string CheckChecksumOf(const std::string& path) {
    auto given = g_givenChecksums.find(SamePath(path));
    ChecksumCheck check =
        CheckFileChecksum(path, given == g_givenChecksums.end() ? "" : given->second);
    std::string name = BareFileName(path);
    switch (check.verdict) {
        case ChecksumCheck::Verdict::kNoneAtHand:
            Log("Checksum: none at hand for " + name + ".");
            return {};
        case ChecksumCheck::Verdict::kMatches:
            Log("Checksum: " + name + " matches its SHA-256 from " + check.where + ".");
            return {};
        case ChecksumCheck::Verdict::kDiffers:
            break;
    }
    Log("Checksum: " + name + " does not match the SHA-256 from " + check.where + ".");
    return kChecksumMismatchText;
}

std::string CheckFileToSend(const std::string& path, long long size_limit,
                            const char* too_large_text) {
    std::error_code ec;
    fw::CFile file;
    // A folder opens for reading on this platform, but holds nothing to send.
    if (fs::is_directory(path, ec) ||
        !file.Open(path, fw::CFile::modeRead | fw::CFile::shareDenyWrite)) {
        return "Warning:\nCannot open file.";
    }
    long long size = file.GetLength();
    if (size < 0) return "Warning:\nCannot open file.";
    if (size >= size_limit) return too_large_text;
    return CheckChecksumOf(path);
}

std::string CheckImageToSend(const std::string& path) {
    ImageCheck check = CheckImageFile(path);
    if (!check.ok) return check.message;
    return CheckChecksumOf(path);
}
