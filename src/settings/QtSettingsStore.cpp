#include "settings/QtSettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

namespace foldcraft {
namespace {

QString Key(const std::string& section, const std::string& name) {
    return QString::fromUtf8(section.c_str()) + '/' + QString::fromUtf8(name.c_str());
}

std::string NotRegular(const QString& fileName) {
    return "Error: the settings file is not a regular file: " + fileName.toStdString();
}

std::string Unreadable(const QString& fileName, int err) {
    return "Error: cannot read the settings file " + fileName.toStdString() + ": " +
           std::strerror(err);
}

// Makes sure that fileName is a regular file, creating it with mode 0600 when
// nothing is there, and that it is private to its owner when that is the user.
// Nothing is followed, and nothing is opened that could block or has effects of
// its own (a device is refused by lstat before any open). Returns the error, or an
// empty text; a file that cannot be created is not an error.
std::string SecureFile(const QString& fileName) {
    const QByteArray path = QFile::encodeName(fileName);
    constexpr int kOpenExisting = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    struct stat st {};
    int fd = -1;
    if (::lstat(path.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return NotRegular(fileName);
        fd = ::open(path.constData(), kOpenExisting);
    } else if (errno == ENOENT) {
        QDir().mkpath(QFileInfo(fileName).absolutePath());
        // Created private before anything is written to it, so that it is never
        // readable by others, not even for a moment.
        fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return {};
        if (fd < 0) fd = ::open(path.constData(), kOpenExisting);  // appeared meanwhile
    } else {
        return Unreadable(fileName, errno);
    }
    if (fd < 0) return errno == ELOOP ? NotRegular(fileName) : Unreadable(fileName, errno);
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (regular && st.st_uid == ::geteuid() && st.st_nlink == 1 && (st.st_mode & 07777) != 0600)
        ::fchmod(fd, 0600);
    ::close(fd);
    return regular ? std::string() : NotRegular(fileName);
}

}  // namespace

std::unique_ptr<QtSettingsStore> QtSettingsStore::OpenUserStore(std::string& error) {
    // Where QSettings keeps the store of organisation "Halvard", program "Foldcraft".
    return Open(
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                          QStringLiteral("/Halvard/Foldcraft.conf"))
            .toStdString(),
        error);
}

std::unique_ptr<QtSettingsStore> QtSettingsStore::Open(const std::string& iniFile,
                                                       std::string& error) {
    const QString fileName = QFileInfo(QFile::decodeName(iniFile.c_str())).absoluteFilePath();
    error = SecureFile(fileName);
    if (!error.empty()) return nullptr;
    return std::unique_ptr<QtSettingsStore>(new QtSettingsStore(fileName));
}

QtSettingsStore::QtSettingsStore(const QString& fileName)
    : m_fileName(fileName),
      m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() = default;

ISettingsStore::Stored QtSettingsStore::Lookup(const std::string& section,
                                               const std::string& name) const {
    const QVariant value = m_settings->value(Key(section, name));
    if (!value.isValid()) return {};
    // An unquoted comma makes a list; a "@Rect(...)" and the like, other types.
    if (value.typeId() == QMetaType::QStringList || !value.canConvert<QString>())
        return {Stored::Kind::kNotText, {}};
    return {Stored::Kind::kText, value.toString().toStdString()};
}

bool QtSettingsStore::WriteInt(const std::string& section, const std::string& name, int value) {
    return Write(Key(section, name), value);
}

bool QtSettingsStore::WriteString(const std::string& section, const std::string& name,
                                  const std::string& value) {
    return Write(Key(section, name), QString::fromUtf8(value.c_str()));
}

bool QtSettingsStore::Remove(const std::string& section, const std::string& name) {
    return Write(Key(section, name), QVariant());
}

std::string QtSettingsStore::FileName() const {
    return QFile::encodeName(m_fileName).toStdString();
}

bool QtSettingsStore::Write(const QString& key, const QVariant& value) {
    // QSettings follows a link when it writes: the file is checked first, and when
    // the check fails QSettings is given nothing, so that it has nothing to write
    // back later either.
    if (!SecureFile(m_fileName).empty()) return false;
    if (value.isValid())
        m_settings->setValue(key, value);
    else
        m_settings->remove(key);
    m_settings->sync();
    const bool written = m_settings->status() == QSettings::NoError;
    // QSettings replaces the file when it writes; the new one is made private
    // whatever the umask.
    return SecureFile(m_fileName).empty() && written;
}

}  // namespace foldcraft
