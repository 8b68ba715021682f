#include "generator/SupportImages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "model/ProgramFolder.h"

namespace foldcraft::SupportImages {

// The bytes, generated at build time from resources/support-images.
namespace detail {
extern const Image kBuiltIn[];
extern const std::size_t kBuiltInCount;
}  // namespace detail

namespace {

namespace fs = std::filesystem;

void AddError(std::string* error, const std::string& message) {
    if (!error) return;
    if (!error->empty()) *error += "\n";
    *error += message;
}

// Writes the bytes to a temporary file beside path and moves it into place, so
// that an interrupted run never leaves a half-written image behind (which a
// later run would take for the user's own picture and keep).
bool WriteWhole(const std::string& path, const Image& image, std::string* reason) {
    std::string temp = path + ".partXXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        *reason = std::strerror(errno);
        return false;
    }
    const unsigned char* p = image.data;
    std::size_t left = image.size;
    bool ok = true;
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *reason = n < 0 ? std::strerror(errno) : "nothing written";
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (ok) fchmod(fd, 0644);
    if (close(fd) != 0 && ok) {
        *reason = std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        *reason = std::strerror(errno);
        ok = false;
    }
    if (!ok) unlink(temp.c_str());
    return ok;
}

}  // namespace

const std::vector<Image>& All() {
    static const std::vector<Image> images(detail::kBuiltIn,
                                           detail::kBuiltIn + detail::kBuiltInCount);
    return images;
}

bool EnsureInstalled(const std::string& programFolder, std::string* error) {
    if (error) error->clear();
    if (programFolder.empty()) {
        AddError(error, "no program folder given for the support images");
        return false;
    }
    const std::string dir = ProgramFolder::ImagesDir(programFolder);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
        AddError(error, "cannot create the support image folder " + dir + ": " +
                            (ec ? ec.message() : std::string("a file is in its place")));
        return false;
    }

    bool ok = true;
    for (const Image& image : All()) {
        const std::string path = dir + "/" + image.name;
        struct stat st {};
        if (stat(path.c_str(), &st) == 0) {
            // An image that is there stays, whatever its contents: the user may
            // have put a picture of their own in its place.
            if (S_ISREG(st.st_mode)) continue;
            AddError(error, "cannot install the support image " + path +
                                ": something other than a file is in its place");
            ok = false;
            continue;
        }
        std::string reason;
        if (!WriteWhole(path, image, &reason)) {
            AddError(error, "cannot write the support image " + path + ": " + reason);
            ok = false;
        }
    }
    return ok;
}

}  // namespace foldcraft::SupportImages
