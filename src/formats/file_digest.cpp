#include "formats/file_digest.h"

#include <openssl/evp.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "framework/file.h"

namespace {

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

std::string Hex(const unsigned char* bytes, unsigned len) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(len * 2);
    for (unsigned i = 0; i < len; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

DigestContext StartSha256() {
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) context.reset();
    return context;
}

std::optional<std::string> Finish(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned len = 0;
    if (EVP_DigestFinal_ex(context, digest, &len) != 1) return std::nullopt;
    return Hex(digest, len);
}

}  // namespace

std::optional<std::string> Sha256OfFile(const std::string& path) {
    std::error_code error;
    // A device or a pipe could be read for ever.
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    fw::CFile file;
    if (!file.Open(path, fw::CFile::modeRead | fw::CFile::shareDenyWrite)) return std::nullopt;
    DigestContext context = StartSha256();
    if (!context) return std::nullopt;
    std::vector<unsigned char> buffer(64 * 1024);
    for (;;) {
        long long got = file.Read(buffer.data(), buffer.size());
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        if (EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(got)) != 1)
            return std::nullopt;
    }
    return Finish(context.get());
}

std::string Sha256OfBytes(const void* data, std::size_t len) {
    DigestContext context = StartSha256();
    if (!context || EVP_DigestUpdate(context.get(), data, len) != 1) return {};
    return Finish(context.get()).value_or("");
}
