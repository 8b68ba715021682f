#include "app/QtSettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace foldcraft {
namespace {

QString Key(const std::string& section, const std::string& name) {
    return QString::fromUtf8(section.c_str()) + '/' + QString::fromUtf8(name.c_str());
}

// Creates the settings file with mode 0600 before anything is written to it, so
// that it is never readable by others, not even for a moment.
void PrepareFile(const QString& fileName) {
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
    ::chmod(path.constData(), 0600);
}

}  // namespace

QtSettingsStore::QtSettingsStore() {
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Halvard"), QStringLiteral("Foldcraft"));
    PrepareFile(m_settings->fileName());
}

QtSettingsStore::QtSettingsStore(const std::string& iniFile) {
    const QString fileName = QString::fromUtf8(iniFile.c_str());
    PrepareFile(fileName);
    m_settings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
}

QtSettingsStore::~QtSettingsStore() = default;

int QtSettingsStore::GetInt(const std::string& section, const std::string& name, int defaultValue) const {
    bool ok = false;
    const int value = m_settings->value(Key(section, name)).toInt(&ok);
    return ok ? value : defaultValue;
}

std::string QtSettingsStore::GetString(const std::string& section, const std::string& name,
                                       const std::string& defaultValue) const {
    const QVariant value = m_settings->value(Key(section, name));
    if (!value.isValid()) return defaultValue;
    return value.toString().toStdString();
}

bool QtSettingsStore::WriteInt(const std::string& section, const std::string& name, int value) {
    m_settings->setValue(Key(section, name), value);
    return Flush();
}

bool QtSettingsStore::WriteString(const std::string& section, const std::string& name,
                                  const std::string& value) {
    m_settings->setValue(Key(section, name), QString::fromUtf8(value.c_str()));
    return Flush();
}

std::string QtSettingsStore::FileName() const { return m_settings->fileName().toStdString(); }

bool QtSettingsStore::Flush() {
    m_settings->sync();
    // QSettings replaces the file on sync; keep it private whatever the umask.
    ::chmod(QFile::encodeName(m_settings->fileName()).constData(), 0600);
    return m_settings->status() == QSettings::NoError;
}

}  // namespace foldcraft
