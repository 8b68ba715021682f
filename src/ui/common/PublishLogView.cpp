#include "ui/common/PublishLogView.h"

#include <QScrollBar>
#include <QTextCursor>

namespace foldcraft {

PublishLogView::PublishLogView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void PublishLogView::Append(const QByteArray& bytes) {
    m_bytes += bytes;
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    // A cursor of its own: the user's selection is left alone.
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString::fromUtf8(bytes));
    if (atEnd) bar->setValue(bar->maximum());
}

void PublishLogView::Clear() {
    m_bytes.clear();
    clear();
}

}  // namespace foldcraft
