#include <QAbstractButton>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "app/CMainFrame.h"
#include "app/DocumentLifeCycle.h"
#include "document/ProjectDocument.h"
#include "model/MemorySettingsStore.h"
#include "model/ProjectFile.h"
#include "support/Patience.h"
#include "ui/common/AppServices.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;

namespace {

// Counts the paint events of the widgets it watches.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class tst_LargeProject : public QObject {
    Q_OBJECT
private slots:
    // A project whose root label is one 4 MB word opens and paints, saves unchanged
    // byte for byte, and Edit... offers the whole label.
    void hugeLabelOpensPaintsAndSavesUnchanged() {
        QTemporaryDir dir;
        const QString path = dir.filePath("huge.fcd");
        const std::string label = std::string(4'000'000, 'a') + "\xc3\xa9";  // ...aé
        {
            CFoldcraftDoc doc;
            doc.OnNewDocument();
            doc.m_pRoot->m_strLabel = label;
            QVERIFY(SaveProject(doc, path.toStdString()).Ok());
        }
        ProjectDocument document;
        test::RecordingUserDialogs dialogs;
        MemorySettingsStore settings;
        AppServices services{dialogs, settings, {}};
        DocumentLifeCycle lifeCycle{document, services};
        CMainFrame frame(document, services, lifeCycle);
        QVERIFY(lifeCycle.OpenPath(path));

        auto* tree = frame.findChild<QTreeView*>();
        QPlainTextEdit* box = nullptr;
        for (auto* edit : frame.findChildren<QPlainTextEdit*>())
            if (edit->accessibleName() == "Label") box = edit;
        QVERIFY(tree && box);
        PaintCounter treePaints, boxPaints;
        tree->viewport()->installEventFilter(&treePaints);
        box->viewport()->installEventFilter(&boxPaints);
        frame.show();
        QTRY_VERIFY_WITH_TIMEOUT(treePaints.paints > 0 && boxPaints.paints > 0, test::kPatienceMs);

        const QString copy = dir.filePath("copy.fcd");
        dialogs.files.push_back({copy});
        QVERIFY(lifeCycle.FileSaveAs());
        QVERIFY(Bytes(copy) == Bytes(path));

        QAbstractButton* edit = nullptr;
        for (auto* button : frame.findChildren<QAbstractButton*>())
            if (button->accessibleName() == "Edit..." && button->isVisible()) edit = button;
        QVERIFY(edit);
        edit->click();
        QVERIFY(dialogs.offeredText == QString::fromStdString(label));
    }
};

QTEST_MAIN(tst_LargeProject)
#include "tst_LargeProject.moc"
