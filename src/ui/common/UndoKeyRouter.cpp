#include "ui/common/UndoKeyRouter.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextEdit>

namespace foldcraft {

namespace {

bool Matches(const QAction* action, const QKeyEvent* key) {
    const QKeySequence pressed(key->keyCombination());
    for (const QKeySequence& shortcut : action->shortcuts()) {
        if (shortcut.matches(pressed) == QKeySequence::ExactMatch) return true;
    }
    return false;
}

const QLineEdit* LineEditOf(const QWidget* widget) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit;
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->lineEdit();
    if (qobject_cast<const QAbstractSpinBox*>(widget))
        return widget->findChild<const QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    return nullptr;
}

}  // namespace

UndoKeyRouter::UndoKeyRouter(QWidget* window, QAction* undo, QAction* redo)
    : QObject(window), m_window(window), m_undo(undo), m_redo(redo) {
    qApp->installEventFilter(this);
}

bool UndoKeyRouter::FieldCanUndo(const QWidget* focus, bool redo) {
    if (!focus) return false;
    if (const QLineEdit* edit = LineEditOf(focus)) {
        if (edit->isReadOnly()) return false;
        return redo ? edit->isRedoAvailable() : edit->isUndoAvailable();
    }
    const QTextDocument* text = nullptr;
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(focus)) {
        if (!plain->isReadOnly()) text = plain->document();
    } else if (const auto* rich = qobject_cast<const QTextEdit*>(focus)) {
        if (!rich->isReadOnly()) text = rich->document();
    }
    if (!text) return false;
    return redo ? text->isRedoAvailable() : text->isUndoAvailable();
}

QAction* UndoKeyRouter::DocumentAction(QObject* watched, QEvent* event) const {
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window) return nullptr;
    const auto* key = static_cast<QKeyEvent*>(event);
    QAction* action = Matches(m_undo, key) ? m_undo : Matches(m_redo, key) ? m_redo : nullptr;
    if (!action || FieldCanUndo(widget, action == m_redo)) return nullptr;
    return action;
}

bool UndoKeyRouter::eventFilter(QObject* watched, QEvent* event) {
    // The key is claimed before a field can take it (ShortcutOverride) and then acted
    // on when it arrives (KeyPress), so it reaches the document exactly once whether
    // or not the field would have taken it.
    if (event->type() == QEvent::ShortcutOverride) {
        if (!DocumentAction(watched, event)) return false;
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        QAction* action = DocumentAction(watched, event);
        if (!action) return false;
        if (action->isEnabled()) action->trigger();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace foldcraft
