#pragma once

#include <QByteArray>
#include <QPlainTextEdit>

namespace foldcraft {

// The status log of a publish run: read-only plain text that the user can select
// and copy, appended to piece by piece. The end stays in view unless the user has
// scrolled up to read. Bytes() keeps the log exactly as the run wrote it.
class PublishLogView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit PublishLogView(QWidget* parent = nullptr);

    void Append(const QByteArray& bytes);
    void Clear();
    const QByteArray& Bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

}  // namespace foldcraft
