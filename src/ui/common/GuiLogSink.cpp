#include "ui/common/GuiLogSink.h"

#include <QMetaObject>

namespace foldcraft {
namespace {

// The length of a piece of at most limit bytes of text: up to its last line break
// when there is one, else not splitting a UTF-8 sequence.
qsizetype PieceLength(const QByteArray& text, qsizetype limit) {
    if (text.size() <= limit) return text.size();
    const qsizetype lineEnd = text.lastIndexOf('\n', limit - 1);
    if (lineEnd >= 0) return lineEnd + 1;
    qsizetype length = limit;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    return length > 0 ? length : limit;
}

}  // namespace

void GuiLogSink::AppendText(std::string_view text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.append(text.data(), static_cast<qsizetype>(text.size()));
    if (m_deliveryAsked) return;
    m_deliveryAsked = true;
    QMetaObject::invokeMethod(this, &GuiLogSink::Deliver, Qt::QueuedConnection);
}

void GuiLogSink::SetProgress(int percent) {
    // Behind the text written before it.
    QMetaObject::invokeMethod(
        this, [this, percent] { emit progressChanged(percent); }, Qt::QueuedConnection);
}

void GuiLogSink::ShowTransfer(const TransferProgress& progress) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_transfer = progress;
    if (m_transferAsked) return;
    m_transferAsked = true;
    QMetaObject::invokeMethod(this, &GuiLogSink::DeliverTransfer, Qt::QueuedConnection);
}

void GuiLogSink::DeliverTransfer() {
    TransferProgress progress;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Drain may have handed it over already.
        if (!m_transferAsked) return;
        m_transferAsked = false;
        progress = m_transfer;
    }
    emit transferChanged(progress);
}

void GuiLogSink::Deliver() {
    QByteArray piece;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const qsizetype length = PieceLength(m_pending, kMaxPiece);
        piece = m_pending.left(length);
        m_pending.remove(0, length);
        m_deliveryAsked = !m_pending.isEmpty();
        if (m_deliveryAsked) {
            QMetaObject::invokeMethod(this, &GuiLogSink::Deliver, Qt::QueuedConnection);
        }
    }
    if (!piece.isEmpty()) emit textAppended(piece);
}

void GuiLogSink::Drain() {
    while (true) {
        QByteArray piece;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_pending.isEmpty()) break;
            const qsizetype length = PieceLength(m_pending, kMaxPiece);
            piece = m_pending.left(length);
            m_pending.remove(0, length);
        }
        emit textAppended(piece);
    }
    DeliverTransfer();
}

}  // namespace foldcraft
