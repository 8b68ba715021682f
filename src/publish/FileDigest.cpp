#include "publish/FileDigest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "publish/UniqueFd.h"

namespace foldcraft {
namespace {

struct DigestContext {
    DigestContext() : ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free) {
        ok = ctx && EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) == 1;
    }
    bool Update(const void* data, std::size_t size) {
        ok = ok && EVP_DigestUpdate(ctx.get(), data, size) == 1;
        return ok;
    }
    std::optional<std::string> Hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!ok || EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) return std::nullopt;
        static const char kDigits[] = "0123456789abcdef";
        std::string hex;
        for (unsigned int i = 0; i < length; ++i) {
            hex += kDigits[digest[i] >> 4];
            hex += kDigits[digest[i] & 0x0F];
        }
        return hex;
    }

    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx;
    bool ok = false;
};

}  // namespace

std::optional<FileDigest> FileDigest::Of(const std::string& path) {
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (file.Get() < 0 || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    DigestContext context;
    FileDigest result;
    char block[65536];
    while (true) {
        const ssize_t got = ::read(file.Get(), block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        if (!context.Update(block, static_cast<std::size_t>(got))) return std::nullopt;
        result.size += static_cast<std::uint64_t>(got);
    }
    std::optional<std::string> hex = context.Hex();
    if (!hex) return std::nullopt;
    result.sha256 = std::move(*hex);
    return result;
}

FileDigest FileDigest::OfBytes(const std::string& bytes) {
    DigestContext context;
    context.Update(bytes.data(), bytes.size());
    return FileDigest{bytes.size(), context.Hex().value_or(std::string())};
}

}  // namespace foldcraft
