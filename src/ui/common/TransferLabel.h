#pragma once

#include <QLabel>
#include <QString>

#include "publish/LogSink.h"

namespace foldcraft {

// The line under a run's progress bar while files are copied or sent:
//   "12 of 43 files, 1.2 MB of 3.4 MB — files/docs/report.pdf"
// (without the dash and the path between files). A line wider than the label loses
// the middle of its path, never the counts nor the file's name; the whole line is the
// tooltip and the accessible name. The label never widens its window.
class TransferLabel : public QLabel {
    Q_OBJECT
public:
    explicit TransferLabel(QWidget* parent = nullptr);

    // Shows progress; Clear shows nothing.
    void Show(const TransferProgress& progress);
    void Clear();
    // The line as Show made it, before any elision.
    const QString& FullText() const { return m_full; }

    // How far the bytes have come, 0 to 100 (rounded down: 100 only when all are
    // done); by the files when there are no bytes to copy, 0 when there are neither.
    static int Percent(const TransferProgress& progress);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString m_counts;  // the line up to the path
    QString m_path;    // the file under way, or empty
    QString m_full;
};

}  // namespace foldcraft
