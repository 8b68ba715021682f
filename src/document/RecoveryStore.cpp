#include "document/RecoveryStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QUuid>
#include <algorithm>

namespace foldcraft {
namespace {

bool SaveBytes(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error) *error = file.errorString();
    return false;
}

std::unique_ptr<QLockFile> TryLock(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path);
    // Stale only when its program is gone, never by age: a program may run for days.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) return nullptr;
    return lock;
}

bool ReadInfo(const QString& path, RecoveryInfo& info) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1 << 20) return false;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll());
    if (!json.isObject()) return false;
    const QJsonObject object = json.object();
    info.originalPath = object.value(QLatin1String("path")).toString();
    info.title = object.value(QLatin1String("title")).toString();
    info.time = QDateTime::fromString(object.value(QLatin1String("time")).toString(), Qt::ISODate);
    info.neverSaved = object.value(QLatin1String("neverSaved")).toBool();
    return info.time.isValid();
}

}  // namespace

RecoveryStore::RecoveryStore(QString dir) : m_dir(std::move(dir)) {}

RecoveryStore::~RecoveryStore() {
    m_claimed.clear();
    if (m_lock) {
        RemoveOwn();
        m_lock.reset();  // removes the lock file
    }
}

QString RecoveryStore::PathOf(const QString& id, const char* suffix) const {
    return QDir(m_dir).filePath(id + QLatin1String(suffix));
}

bool RecoveryStore::Start(QString* error) {
    if (!QDir().mkpath(m_dir)) {
        if (error) *error = QStringLiteral("cannot create %1").arg(m_dir);
        return false;
    }
    const QString id = QUuid::createUuid().toString(QUuid::Id128);
    m_lock = TryLock(PathOf(id, ".lock"));
    if (!m_lock) {
        if (error) *error = QStringLiteral("cannot lock %1").arg(PathOf(id, ".lock"));
        return false;
    }
    m_id = id;
    return true;
}

bool RecoveryStore::Write(const std::string& bytes, const RecoveryInfo& info, QString* error) {
    if (!m_lock) {
        if (error) *error = QStringLiteral("no recovery directory");
        return false;
    }
    QJsonObject object;
    object.insert(QLatin1String("path"), info.originalPath);
    object.insert(QLatin1String("title"), info.title);
    object.insert(QLatin1String("time"), info.time.toUTC().toString(Qt::ISODate));
    object.insert(QLatin1String("neverSaved"), info.neverSaved);
    return SaveBytes(PathOf(m_id, ".fcd"), QByteArray::fromStdString(bytes), error) &&
           SaveBytes(PathOf(m_id, ".json"), QJsonDocument(object).toJson(), error);
}

void RecoveryStore::RemoveOwn() {
    if (m_lock) RemoveFilesOf(m_id);
}

void RecoveryStore::RemoveFilesOf(const QString& id) const {
    // The copy, its description and any temporary file of a write cut short
    // (ID.fcd.XXXXXX); the lock stays with its holder.
    const QDir dir(m_dir);
    for (const QString& name :
         dir.entryList({id + QLatin1String(".*")}, QDir::Files | QDir::Hidden))
        if (name != id + QLatin1String(".lock")) QFile::remove(dir.filePath(name));
}

std::vector<RecoveryEntry> RecoveryStore::ClaimOrphans() {
    std::vector<RecoveryEntry> entries;
    const QDir dir(m_dir);
    QSet<QString> ids;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        const QString id = name.section(QLatin1Char('.'), 0, 0);
        if (!id.isEmpty() && id != m_id && !m_claimed.count(id)) ids.insert(id);
    }
    for (const QString& id : ids) {
        std::unique_ptr<QLockFile> lock = TryLock(PathOf(id, ".lock"));
        if (!lock) continue;  // its program still runs (or another one has claimed it)
        RecoveryEntry entry{id, PathOf(id, ".fcd"), {}};
        if (!QFile::exists(entry.file) || !ReadInfo(PathOf(id, ".json"), entry.info)) {
            RemoveFilesOf(id);
            continue;  // the lock goes with it
        }
        m_claimed[id] = std::move(lock);
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const RecoveryEntry& a, const RecoveryEntry& b) {
        return a.info.time > b.info.time;
    });
    return entries;
}

void RecoveryStore::Release(const QString& id) {
    m_claimed.erase(id);
}

void RecoveryStore::Remove(const QString& id) {
    if (!m_claimed.count(id)) return;
    RemoveFilesOf(id);
    m_claimed.erase(id);
}

}  // namespace foldcraft
