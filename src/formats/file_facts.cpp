#include "formats/file_facts.h"

#include <filesystem>

#include "formats/compatible_list.h"
#include "formats/file_digest.h"
#include "framework/printable.h"

namespace {

// The identifiers of the list, each ended by its zero byte; bytes after the last zero
// belong to no identifier.
std::vector<std::string> CompatibleBoards(const std::string& path) {
    char buffer[kMaxCompatibleList + 1] = {};
    // A list the file does not have is no failure here: nothing is shown or logged.
    int count =
        ReadCompatibleList(path, buffer, sizeof buffer, {}, [](const std::string&, unsigned) {});
    std::vector<std::string> boards;
    const char* at = buffer;
    for (int i = 0; i < count; ++i) {
        std::string board(at);
        at += board.size() + 1;
        boards.push_back(std::move(board));
    }
    return boards;
}

}  // namespace

std::optional<FileFacts> ReadFileFacts(const std::string& path) {
    std::optional<std::string> sha256 = Sha256OfFile(path);
    if (!sha256) return std::nullopt;
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return FileFacts{static_cast<long long>(size), *sha256, CompatibleBoards(path)};
}

std::string FileFactsText(const FileFacts& facts) {
    std::string boards;
    for (const std::string& board : facts.boards) {
        if (!boards.empty()) boards += ", ";
        boards += fw::EscapeControls(board);
    }
    return "Size: " + std::to_string(facts.size) + " bytes\nSHA-256: " + facts.sha256 +
           "\nCompatible boards: " + (boards.empty() ? "none" : boards) + "\n";
}
