#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace foldcraft {

// What a recovery file is a copy of: the project's file (empty when it was never
// saved), its name and when the copy was made.
struct RecoveryInfo {
    QString originalPath;
    QString title;
    QDateTime time;  // UTC
    bool neverSaved = false;
};

// A recovery file left by a program that is gone.
struct RecoveryEntry {
    QString id;
    QString file;  // the copy: a project file
    RecoveryInfo info;
};

// The recovery files in one directory (<program folder>/recovery): each running
// program writes its copy of the open project to ID.fcd and what it is a copy of to
// ID.json, and holds the lock ID.lock for as long as it runs, so that no other
// program takes its files for a crashed one's. Both files are replaced in one step
// (QSaveFile), the copy first. Nothing here ever writes outside the directory.
class RecoveryStore {
public:
    explicit RecoveryStore(QString dir);
    // A clean end: this program's files are removed and every lock let go.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    // Makes the directory when missing and takes a new id with its lock. False with
    // the reason when either fails; the store then writes nothing.
    bool Start(QString* error = nullptr);
    const QString& Id() const { return m_id; }
    QString Dir() const { return m_dir; }

    // Replaces this program's copy with bytes (a project file) and info. False with
    // the reason on failure (the previous copy, if any, stays whole).
    bool Write(const std::string& bytes, const RecoveryInfo& info, QString* error = nullptr);
    // Removes this program's copy (the project has no unsaved changes); keeps the lock.
    void RemoveOwn();

    // The copies of programs that are gone, newest first, each locked by this store
    // until Release or Remove (so that a second program starting now does not offer
    // them too). Leftovers that are no complete copy (a program killed before its
    // first copy was whole) are removed on the way.
    std::vector<RecoveryEntry> ClaimOrphans();
    // Lets go of a claimed copy and leaves it for a later start.
    void Release(const QString& id);
    // Removes a claimed copy with its files.
    void Remove(const QString& id);

private:
    QString PathOf(const QString& id, const char* suffix) const;
    void RemoveFilesOf(const QString& id) const;

    QString m_dir;
    QString m_id;
    std::unique_ptr<QLockFile> m_lock;
    std::map<QString, std::unique_ptr<QLockFile>> m_claimed;
};

}  // namespace foldcraft
