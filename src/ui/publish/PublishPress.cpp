#include "ui/publish/PublishPress.h"

#include <QString>

#include "document/ProjectDocument.h"
#include "publish/PublishChecks.h"
#include "ui/common/AppServices.h"

namespace foldcraft {

PublishPress::Next PublishPress::Check(ProjectDocument& document, AppServices& services,
                                       QWidget* parent, bool dryRun) {
    IUserDialogs& dialogs = services.dialogs;
    CFoldcraftDoc& doc = document.Doc();
    const auto refuse = [&](const PublishCheckResult& result) {
        dialogs.Error(parent, QString::fromStdString(result.message));
        return Next::kNothing;
    };

    PublishCheckResult result = PublishChecks::CheckSomethingToPublish(doc);
    if (!result.Ok()) return refuse(result);
    if (!dryRun) {
        document.MarkModified();
        PublishChecks::StampLastPublish(doc);
    }
    if (doc.m_nPublishMethod != CFoldcraftDoc::kPublishLocal) return Next::kFtpDialog;

    result = PublishChecks::CheckPublishPath(doc.m_strPublishPath, services.programFolder);
    if (dryRun && result.outcome == PublishCheckResult::Outcome::kAskCreateDirectory) {
        return Next::kLocalRun;
    }
    if (result.outcome == PublishCheckResult::Outcome::kAskCreateDirectory) {
        const IUserDialogs::Answer answer =
            dialogs.Message(parent, QString::fromStdString(result.message),
                            IUserDialogs::Buttons::kYesNo, IUserDialogs::Icon::kQuestion);
        if (answer != IUserDialogs::Answer::kYes) return Next::kNothing;
        result = PublishChecks::CreatePublishDirectory(doc.m_strPublishPath);
    }
    if (!result.Ok()) return refuse(result);
    return Next::kLocalRun;
}

}  // namespace foldcraft
