#pragma once

#include <QObject>

class QAction;
class QWidget;

namespace foldcraft {

// Makes the undo keys (the shortcuts of the Undo and Redo actions: Ctrl+Z,
// Ctrl+Shift+Z, Ctrl+Y, ...) reach the document's undo stack wherever the focus is in
// window, instead of being taken by a text field with nothing of its own to undo.
// A field with typing of its own to undo (or redo) keeps the key; once that is
// exhausted, the next press goes to the document. Installed on the application;
// window and the actions must outlive it (they are usually its owners).
class UndoKeyRouter : public QObject {
    Q_OBJECT
public:
    UndoKeyRouter(QWidget* window, QAction* undo, QAction* redo);

    // Whether the focused widget has typing of its own to undo (redo): a line edit, a
    // spin box's or editable combo box's line edit, a plain or rich text box.
    static bool FieldCanUndo(const QWidget* focus, bool redo);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The action the key event stands for, when it is one of the undo keys and goes
    // to the document; nullptr otherwise.
    QAction* DocumentAction(QObject* watched, QEvent* event) const;

    QWidget* m_window;
    QAction* m_undo;
    QAction* m_redo;
};

}  // namespace foldcraft
