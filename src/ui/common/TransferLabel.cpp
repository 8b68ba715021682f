#include "ui/common/TransferLabel.h"

#include <QFontMetrics>
#include <QLocale>
#include <QResizeEvent>
#include <algorithm>

namespace foldcraft {
namespace {

QString Size(std::uint64_t bytes) {
    return QLocale().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeSIFormat);
}

}  // namespace

TransferLabel::TransferLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    // A long path must not widen the window: the label takes the width it is given.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(1);
}

int TransferLabel::Percent(const TransferProgress& progress) {
    const auto share = [](std::uint64_t done, std::uint64_t total) {
        if (done >= total) return 100;
        // In floating point: a product of two large sizes would overflow.
        return static_cast<int>(static_cast<long double>(done) * 100 / total);
    };
    if (progress.bytesTotal > 0) return share(progress.bytesDone, progress.bytesTotal);
    if (progress.filesTotal > 0) return share(progress.filesDone, progress.filesTotal);
    return 0;
}

void TransferLabel::Show(const TransferProgress& progress) {
    m_counts = QStringLiteral("%1 of %2 files, %3 of %4")
                   .arg(progress.filesDone)
                   .arg(progress.filesTotal)
                   .arg(Size(progress.bytesDone), Size(progress.bytesTotal));
    m_path = QString::fromStdString(progress.current);
    m_full = m_path.isEmpty() ? m_counts : m_counts + QString::fromUtf8(" — ") + m_path;
    setToolTip(m_full);
    setAccessibleName(m_full);
    Elide();
}

void TransferLabel::Clear() {
    m_counts.clear();
    m_path.clear();
    m_full.clear();
    setToolTip({});
    setAccessibleName({});
    setText({});
}

void TransferLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void TransferLabel::Elide() {
    if (m_path.isEmpty()) {
        setText(m_counts);
        return;
    }
    const QString head = m_counts + QString::fromUtf8(" — ");
    const QFontMetrics metrics(font());
    const int room = contentsRect().width() - metrics.horizontalAdvance(head);
    setText(head + metrics.elidedText(m_path, Qt::ElideMiddle, std::max(room, 0)));
}

}  // namespace foldcraft
