#pragma once

// What the Publish step's widget tests share: the application services with a
// recording dialog double and an in-memory settings store, a project document, a
// temporary directory, and the FTP test project whose items are active both at the
// pinned clock and at any real time before 2096 (so the command-line tool, which runs
// on the real clock, sees the same site).

// GCC 12 at -O2 takes the moved-from optional<QString> of the dialog double's answer
// queue for uninitialised (a false positive).
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

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

// Far in the future for any test run, and still a 32-bit unsigned project-file time.
constexpr Time kNeverActive = 4'000'000'000;

struct PublishTestEnv {
    PublishTestEnv() {
        std::filesystem::create_directories(services.programFolder);
        // The project of FtpTestProject, its inactive items moved out of reach of
        // the real clock.
        CFoldcraftDoc& doc = document.Doc();
        CFoldcraftDoc& source = project.doc;
        std::string bytes = WriteProjectBytes(source);
        ReadProjectBytes(doc, bytes);
        doc.m_pRoot->m_arrDocs[3]->m_timePublish = kNeverActive;     // "Inactive"
        doc.m_pRoot->m_arrFolders[1]->m_timePublish = kNeverActive;  // "Off"
        doc.SetModifiedFlag(false);
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
