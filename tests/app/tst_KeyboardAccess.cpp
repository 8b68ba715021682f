// The program without a mouse: every dialog's Tab order, default button and Escape;
// the mnemonics of menus, pages and dialogs; the window's own keys.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <algorithm>
#include <functional>
#include <memory>

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CTipDlg.h"
#include "app/DocumentLifeCycle.h"
#include "document/ProjectDocument.h"
#include "model/BuildTreeFolder.h"
#include "model/MemorySettingsStore.h"
#include "support/Patience.h"
#include "ui/build/CBuildTreeView.h"
#include "ui/build/CBuildView.h"
#include "ui/build/CButtonStyleDlg.h"
#include "ui/build/CHotspotsDlg.h"
#include "ui/build/CNewFolderDlg.h"
#include "ui/build/CNewWebLinkDlg.h"
#include "ui/build/CSupportFileMessageDlg.h"
#include "ui/build/SiteTreeView.h"
#include "ui/common/AppServices.h"
#include "ui/common/CTextEditDlg.h"
#include "ui/common/PlainCaption.h"
#include "ui/publish/CPublishFTPDlg.h"
#include "ui/publish/CPublishProgressDlg.h"
#include "ui/publish/CPublishSFTPDlg.h"
#include "ui/support/RecordingUserDialogs.h"

using namespace foldcraft;

namespace {

struct Fixture {
    QTemporaryDir dir;
    ProjectDocument document;
    test::RecordingUserDialogs dialogs;
    MemorySettingsStore settings;
    AppServices services{dialogs, settings, dir.path().toStdString()};
    DocumentLifeCycle lifeCycle{document, services};
    CBuildTreeFolder folder{"Harbour", "", ""};

    Fixture() {
        folder.AddFolder(std::make_unique<CBuildTreeFolder>("Boats", "", ""));
        folder.AddDoc(std::make_unique<CBuildTreeDoc>("Map", "/docs/map.txt", ""));
    }
};

// The first caption that repeats another's mnemonic letter or (when every one must
// have one) has none; empty when all is well.
QString MnemonicFault(const QStringList& captions, bool everyOne) {
    QString seen;
    for (const QString& caption : captions) {
        const qsizetype at = QString(caption)
                                 .replace(QLatin1String("&&"), QLatin1String("__"))
                                 .indexOf(QLatin1Char('&'));
        if (at < 0 || at + 1 >= caption.size()) {
            if (everyOne) return QStringLiteral("no mnemonic: ") + PlainCaption(caption);
            continue;
        }
        const QChar letter = caption[at + 1].toLower();
        if (seen.contains(letter)) return QStringLiteral("repeated: ") + PlainCaption(caption);
        seen += letter;
    }
    return {};
}

// Every showing button's caption and every tab's within window (the menu bar's too;
// not the toolbar's, whose buttons take no mnemonics).
QStringList ShownCaptions(QWidget* window) {
    QStringList captions;
    for (auto* button : window->findChildren<QAbstractButton*>())
        if (button->isVisible() && !button->text().isEmpty() &&
            !qobject_cast<QToolBar*>(button->parentWidget()))
            captions << button->text();
    for (auto* tabs : window->findChildren<QTabBar*>())
        if (tabs->isVisible())
            for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
    if (auto* frame = qobject_cast<QMainWindow*>(window))
        for (QAction* menu : frame->menuBar()->actions()) captions << menu->text();
    return captions;
}

// The buttons whose accessible name is not their caption without the mnemonic mark.
QStringList MisnamedButtons(QWidget* window) {
    QStringList misnamed;
    for (auto* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isVisible() || button->text().isEmpty()) continue;
        const QString name = QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name);
        if (name != PlainCaption(button->text())) misnamed << name;
    }
    return misnamed;
}

// Whether the control is reached by Tab: it, something in it, or (a radio button) the
// checked one of its group.
bool Reached(QWidget* control, const QList<QWidget*>& chain) {
    for (QWidget* focus : chain) {
        if (focus == control || control->isAncestorOf(focus) || focus->isAncestorOf(control))
            return true;
        auto* radio = qobject_cast<QRadioButton*>(control);
        if (radio && qobject_cast<QRadioButton*>(focus) && focus->parent() == radio->parent())
            return true;
    }
    return false;
}

}  // namespace

class tst_KeyboardAccess : public QObject {
    Q_OBJECT
private slots:
    void dialogsWithoutMouse_data() {
        QTest::addColumn<std::function<QDialog*(Fixture&)>>("make");
        using Make = std::function<QDialog*(Fixture&)>;
        QTest::newRow("Add Folder") << Make([](Fixture&) { return new CNewFolderDlg; });
        QTest::newRow("Add Web Link")
            << Make([](Fixture& f) { return new CNewWebLinkDlg(f.dialogs); });
        QTest::newRow("Support file") << Make([](Fixture&) { return new CSupportFileMessageDlg; });
        QTest::newRow("Buttons") << Make([](Fixture&) { return new CButtonStyleDlg(nullptr, {}); });
        QTest::newRow("Hotspots") << Make(
            [](Fixture& f) { return new CHotspotsDlg(nullptr, f.dialogs, f.folder); });
        QTest::newRow("Edit Text") << Make([](Fixture&) { return new CTextEditDlg; });
        QTest::newRow("FTP") << Make(
            [](Fixture& f) { return new CPublishFTPDlg(f.document, f.services); });
        QTest::newRow("SFTP") << Make(
            [](Fixture& f) { return new CPublishSFTPDlg(f.document, f.services); });
        QTest::newRow("Publishing")
            << Make([](Fixture& f) { return new CPublishProgressDlg(f.document, f.services); });
        QTest::newRow("Tip") << Make([](Fixture& f) { return new CTipDlg(f.settings); });
        QTest::newRow("About") << Make([](Fixture& f) { return new CAboutDlg(f.dialogs); });
    }

    // Tab from the first focus passes every enabled control that takes it and comes
    // back; a default button answers Enter; Escape cancels. Mnemonics are unique and
    // the buttons' accessible names are their plain captions.
    void dialogsWithoutMouse() {
        QFETCH(std::function<QDialog*(Fixture&)>, make);
        Fixture f;
        std::unique_ptr<QDialog> dialog(make(f));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get(), test::kPatienceMs));
        QWidget* start = QApplication::focusWidget();
        QVERIFY2(start && dialog->isAncestorOf(start), "no focus in the dialog");
        // Tab until the focus is back at the start, having left it (a label's link takes
        // one Tab of its own).
        QList<QWidget*> chain{start};
        bool left = false;
        for (int i = 0; i < 60; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* now = QApplication::focusWidget();
            if (now == start && left) break;
            left = left || now != start;
            if (!chain.contains(now)) chain << now;
        }
        QVERIFY2(QApplication::focusWidget() == start, "Tab does not come back to the start");
        int controls = 0;
        for (auto* control : dialog->findChildren<QWidget*>()) {
            if (!control->isVisible() || !control->isEnabled() || control->focusProxy() ||
                !(control->focusPolicy() & Qt::TabFocus))
                continue;
            ++controls;
            QVERIFY2(Reached(control, chain),
                     qPrintable(control->metaObject()->className() + QStringLiteral(" ") +
                                control->accessibleName() + " not reached by Tab"));
        }
        QVERIFY2(left || controls == 1, "Tab does not leave the start");
        const auto buttons = dialog->findChildren<QPushButton*>();
        QVERIFY2(std::any_of(buttons.begin(), buttons.end(),
                             [](QPushButton* b) { return b->isDefault(); }),
                 "no default button");
        // (The OK and Cancel of a button box have a mnemonic only on some desktops.)
        QCOMPARE(MnemonicFault(ShownCaptions(dialog.get()), false), QString());
        QCOMPARE(MisnamedButtons(dialog.get()), QStringList());
        QTest::keyClick(start, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
    }

    // Each step in front: its buttons, tabs and the menu bar have one mnemonic each,
    // none repeated; every menu's items too; the accessible names stay plain.
    void mainWindowMnemonics() {
        Fixture f;
        CMainFrame frame(f.document, f.services, f.lifeCycle);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame, test::kPatienceMs));
        for (StepTab tab : {StepTab::kBuild, StepTab::kDesign, StepTab::kPublish}) {
            frame.SetCurrentTab(tab);
            // The Design step has more options than free letters: only they may have none.
            QCOMPARE(MnemonicFault(ShownCaptions(&frame), tab != StepTab::kDesign), QString());
            QCOMPARE(MisnamedButtons(&frame), QStringList());
        }
        std::function<void(QMenu*)> check = [&](QMenu* menu) {
            QStringList captions;
            for (QAction* action : menu->actions()) {
                if (action->isSeparator()) continue;
                captions << action->text();
                if (action->menu()) check(action->menu());
            }
            QVERIFY2(MnemonicFault(captions, true).isEmpty(),
                     qPrintable(menu->title() + ": " + MnemonicFault(captions, true)));
        };
        for (QAction* menu : frame.menuBar()->actions()) check(menu->menu());
    }

    void windowKeys_data() {
        QTest::addColumn<QString>("focus");  // "tree", "name" (the form) or "design"
        QTest::addColumn<QKeyCombination>("key");
        QTest::addColumn<QString>("after");
        QTest::newRow("next step")
            << "tree" << (Qt::CTRL | Qt::Key_PageDown) << "Design; A B; no menu";
        QTest::newRow("previous step wraps")
            << "tree" << (Qt::CTRL | Qt::Key_PageUp) << "Publish; A B; no menu";
        QTest::newRow("from the Design pages")
            << "design" << (Qt::CTRL | Qt::Key_PageDown) << "Publish; A B; no menu";
        QTest::newRow("Menu key") << "tree" << QKeyCombination(Qt::Key_Menu)
                                  << "Build; A B; menu at A";
        QTest::newRow("Shift+F10")
            << "tree" << (Qt::SHIFT | Qt::Key_F10) << "Build; A B; menu at A";
        QTest::newRow("Alt+Down") << "tree" << (Qt::ALT | Qt::Key_Down) << "Build; B A; no menu";
        QTest::newRow("Alt+Down in a field")
            << "name" << (Qt::ALT | Qt::Key_Down) << "Build; A B; no menu";
    }

    // The step tabs from anywhere, the tree's context menu from the keyboard at the
    // selected item, Alt+Up/Down on the tree's item (and only there).
    void windowKeys() {
        QFETCH(QString, focus);
        QFETCH(QKeyCombination, key);
        QFETCH(QString, after);
        Fixture f;
        for (const char* name : {"A", "B"})
            f.document.Doc().m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>(name, "", ""));
        f.document.NotifyReset();
        CMainFrame frame(f.document, f.services, f.lifeCycle);
        frame.show();
        QVERIFY(QTest::qWaitForWindowActive(&frame, test::kPatienceMs));
        CBuildTreeFolder* root = f.document.Doc().m_pRoot.get();
        frame.BuildTree().Select({root->m_arrFolders[0].get(), root});
        QWidget* target = &frame.BuildTree().Tree();
        if (focus == "name") {
            target = frame.BuildView().findChild<QLineEdit*>();
        } else if (focus == "design") {
            frame.SetCurrentTab(StepTab::kDesign);
            auto* pages = frame.Tabs()->widget(1)->findChild<QTabWidget*>();
            pages->setCurrentIndex(1);
            target = pages->currentWidget()->findChild<QLineEdit*>();
        }
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        QTest::keyClick(target, key.key(), key.keyboardModifiers());

        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QString state = PlainCaption(frame.Tabs()->tabText(frame.Tabs()->currentIndex())) + ";";
        for (const auto& child : root->m_arrFolders)
            state += " " + QString::fromStdString(child->m_strName);
        SiteTreeView& tree = frame.BuildTree().Tree();
        const QRect itemA =
            tree.visualRect(frame.BuildTree().Model().IndexOf({root->m_arrFolders[0].get(), root}));
        if (!menu) {
            state += "; no menu";
        } else {
            const QPoint at = tree.viewport()->mapFromGlobal(menu->pos());
            state += at.y() >= itemA.top() && at.y() <= itemA.bottom() + 1 ? "; menu at A"
                                                                           : "; menu elsewhere";
            menu->close();
        }
        QCOMPARE(state, after);
        if (focus == "design")  // the Design step's own page stays
            QCOMPARE(frame.Tabs()->widget(1)->findChild<QTabWidget*>()->currentIndex(), 1);
    }
};

QTEST_MAIN(tst_KeyboardAccess)
#include "tst_KeyboardAccess.moc"
