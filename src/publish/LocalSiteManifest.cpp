#include "publish/LocalSiteManifest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <utility>

namespace foldcraft {

LocalSiteManifest::LocalSiteManifest(std::string targetDir) : m_targetDir(std::move(targetDir)) {}

std::string LocalSiteManifest::Path() const {
    return m_targetDir + "/" + PublishManifest::kFileName;
}

void LocalSiteManifest::Load() {
    m_old.reset();
    struct stat st {};
    if (::lstat(Path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    std::ifstream in(Path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (in) m_old = PublishManifest::Parse(text.str());
}

bool LocalSiteManifest::UpToDate(const std::string& source, const std::string& destination) {
    struct stat from {
    }, to{};
    if (::stat(source.c_str(), &from) != 0 || ::lstat(destination.c_str(), &to) != 0) return false;
    // The source itself (published into its own tree) is never "a copy".
    if (from.st_dev == to.st_dev && from.st_ino == to.st_ino) return false;
    return S_ISREG(from.st_mode) && S_ISREG(to.st_mode) && from.st_size == to.st_size &&
           from.st_mtim.tv_sec == to.st_mtim.tv_sec && from.st_mtim.tv_nsec == to.st_mtim.tv_nsec;
}

void LocalSiteManifest::Publishing(const std::string& relativePath, bool upToDate) {
    m_published.insert(relativePath);
    if (!upToDate) return;
    ++m_nSkipped;
    Copied(relativePath);
}

void LocalSiteManifest::Copied(const std::string& relativePath) {
    struct stat st {};
    const std::string path = m_targetDir + "/" + relativePath;
    FileDigest digest;
    if (::lstat(path.c_str(), &st) == 0) digest.size = static_cast<std::uint64_t>(st.st_size);
    m_new.Set(relativePath, digest);
}

bool LocalSiteManifest::RemoveInside(const std::string& relativePath) const {
    // Every directory on the way must be a real one: a link could lead outside.
    std::size_t slash = 0;
    while ((slash = relativePath.find('/', slash)) != std::string::npos) {
        struct stat st {};
        const std::string dir = m_targetDir + "/" + relativePath.substr(0, slash);
        if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
        ++slash;
    }
    const std::string path = m_targetDir + "/" + relativePath;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;  // gone already
    if (S_ISDIR(st.st_mode)) return false;
    return ::unlink(path.c_str()) == 0;
}

int LocalSiteManifest::RemoveUnpublished() {
    if (!m_old) return 0;
    int removed = 0;
    for (const auto& [path, digest] : m_old->Entries()) {
        if (m_published.count(path) != 0) continue;
        struct stat st {};
        const bool present = ::lstat((m_targetDir + "/" + path).c_str(), &st) == 0;
        if (RemoveInside(path)) {
            if (present) ++removed;
        } else {
            m_new.Set(path, digest);  // try again next time
        }
    }
    return removed;
}

bool LocalSiteManifest::Save() const {
    const std::string temporary = m_targetDir + "/.part-" + PublishManifest::kFileName;
    ::unlink(temporary.c_str());  // a link left there is not followed
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const std::string text = m_new.Serialize();
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 || done != text.size()) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), Path().c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace foldcraft
