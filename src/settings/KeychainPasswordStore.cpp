#include "settings/KeychainPasswordStore.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace foldcraft {
namespace {

using Status = IPasswordStore::Status;

IPasswordStore::Result NoService(const std::string& why) {
    return {Status::kNoService, {}, "No keyring service answered (" + why + ")."};
}

// Starts job (which the caller has set up) and waits for its end, at most timeoutMs.
// The job deletes itself when it ends, also after the wait has given up on it.
template <typename Job>
IPasswordStore::Result Run(Job* job, int timeoutMs,
                           const std::function<void(Job&, IPasswordStore::Result&)>& done) {
    if (!QCoreApplication::instance()) {
        delete job;
        return NoService("no application object to receive the answer");
    }
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    QEventLoop loop;
    IPasswordStore::Result result = NoService("no answer in time");
    bool finished = false;
    // The loop is the context: a late answer, after the loop has gone, reaches nothing.
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job*) {
        finished = true;
        const QString message = job->errorString();
        switch (job->error()) {
        case QKeychain::NoError:
            result = {Status::kOk, {}, {}};
            if (done) done(*job, result);
            break;
        case QKeychain::EntryNotFound:
            result = {Status::kNotFound, {}, {}};
            break;
        case QKeychain::NoBackendAvailable:
        case QKeychain::NotImplemented:
        case QKeychain::OtherError:
            // A missing session bus or secrets service comes back as "other" (the
            // bus's own error).
            result = NoService(message.toStdString());
            break;
        default:
            result = {Status::kFailed, {}, "The keyring refused: " + message.toStdString()};
            break;
        }
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    job->start();
    if (!finished) loop.exec(QEventLoop::ExcludeUserInputEvents);
    return result;
}

}  // namespace

KeychainPasswordStore::KeychainPasswordStore(int timeoutMs) : m_timeoutMs(timeoutMs) {}

IPasswordStore::Result KeychainPasswordStore::Read(const std::string& key) {
    auto* job = new QKeychain::ReadPasswordJob(QString::fromLatin1(kService));
    job->setKey(QString::fromStdString(key));
    return Run<QKeychain::ReadPasswordJob>(
        job, m_timeoutMs, [](QKeychain::ReadPasswordJob& read, Result& result) {
            result.secret = read.textData().toStdString();
        });
}

IPasswordStore::Result KeychainPasswordStore::Write(const std::string& key,
                                                    const std::string& secret) {
    auto* job = new QKeychain::WritePasswordJob(QString::fromLatin1(kService));
    job->setKey(QString::fromStdString(key));
    job->setTextData(QString::fromStdString(secret));
    return Run<QKeychain::WritePasswordJob>(job, m_timeoutMs, {});
}

IPasswordStore::Result KeychainPasswordStore::Remove(const std::string& key) {
    auto* job = new QKeychain::DeletePasswordJob(QString::fromLatin1(kService));
    job->setKey(QString::fromStdString(key));
    return Run<QKeychain::DeletePasswordJob>(job, m_timeoutMs, {});
}

}  // namespace foldcraft
