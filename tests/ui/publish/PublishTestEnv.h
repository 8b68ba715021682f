#pragma once

// What the Publish step's widget tests share: the application services with a
// recording dialog double and an in-memory settings store, a project document, a
// temporary directory and the FTP test project, at the clock the tests pin.

#include <QTest>
#include <filesystem>
#include <string>

#include "app/AppServices.h"
#include "app/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "publish/ftp/FtpTestProject.h"
#include "support/TempDir.h"
#include "ui/support/RecordingUserDialogs.h"

namespace foldcraft::test {

struct PublishTestEnv {
    PublishTestEnv() {
        std::filesystem::create_directories(services.programFolder);
        ReadProjectBytes(document.Doc(), WriteProjectBytes(project.doc));
        document.Doc().SetModifiedFlag(false);
    }

    ScopedClockPin pin{kPublishNow};
    TempDir dir;
    FtpTestProject project{dir};
    RecordingUserDialogs dialogs;
    MemorySettingsStore settings;
    AppServices services{dialogs, settings, dir / "program"};
    ProjectDocument document;
};

}  // namespace foldcraft::test
