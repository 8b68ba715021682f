#include <QSignalSpy>
#include <QTest>
#include <QUndoCommand>

#include "app/ProjectDocument.h"

using foldcraft::ProjectDocument;

class tst_ProjectDocument : public QObject {
    Q_OBJECT
private slots:
    // The modified flag follows the undo stack: undoing back to the saved state
    // clears it, redoing sets it again.
    void modifiedFollowsCleanState() {
        ProjectDocument document;
        QSignalSpy spy(&document, &ProjectDocument::modifiedChanged);
        document.UndoStack().push(new QUndoCommand(QStringLiteral("edit")));
        QVERIFY(document.Doc().IsModified());
        document.UndoStack().undo();
        QVERIFY(!document.Doc().IsModified());
        document.UndoStack().redo();
        document.MarkSaved();
        QVERIFY(!document.Doc().IsModified());
        document.UndoStack().undo();
        QVERIFY(document.Doc().IsModified());
        QCOMPARE(spy.count(), 5);
    }
};

QTEST_GUILESS_MAIN(tst_ProjectDocument)
#include "tst_ProjectDocument.moc"
