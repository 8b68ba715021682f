#pragma once

class QWidget;

namespace foldcraft {
class ProjectDocument;
struct AppServices;

// The checks of a Publish press, without a window of their own: what to refuse
// (an OK message box each), the question about a missing directory, and what comes
// next. The method is the document's m_nPublishMethod; the FTP method never looks
// at the path.
class PublishPress {
public:
    enum class Next {
        kNothing,    // a check refused (the user was told) or the user answered No
        kLocalRun,   // open the Publishing window on the document
        kFtpDialog,  // open the "Publish to FTP server" dialog
    };

    // Makes the checks in their order. Once there is something to publish, the
    // last-publish time is stamped and the project marked modified (through
    // document, so that the window hears of it), even when a later check refuses.
    // Message boxes are owned by parent.
    //
    // dryRun (the "Show what would change" press): the same refusals, but nothing is
    // stamped, marked or made; a missing directory is no question (the plan copies
    // everything into it). kLocalRun then means a dry run in the Publishing window.
    static Next Check(ProjectDocument& document, AppServices& services, QWidget* parent,
                      bool dryRun = false);
};

}  // namespace foldcraft
