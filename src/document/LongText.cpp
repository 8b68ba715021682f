#include "document/LongText.h"

namespace foldcraft {

namespace {

const QChar kEllipsis(0x2026);

// The first count characters of text, not ending inside a surrogate pair.
QStringView Head(QStringView text, qsizetype count) {
    if (count > 0 && text[count - 1].isHighSurrogate()) --count;
    return text.first(count);
}

}  // namespace

QString LongText::Line(const QString& text) {
    if (text.size() <= kLineChars) return text;
    return Head(text, kLineChars).toString() + kEllipsis;
}

QString LongText::Box(const QString& text) {
    if (!HasLongLine(text) && text.size() <= kBoxChars) return text;
    QString shown;
    const QStringView all(text);
    qsizetype start = 0;
    while (start <= all.size() && shown.size() < kBoxChars) {
        qsizetype end = all.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = all.size();
        const QStringView line = all.sliced(start, end - start);
        if (start > 0) shown += QLatin1Char('\n');
        shown += line.size() > kLineChars ? Head(line, kLineChars) : line;
        if (line.size() > kLineChars) shown += kEllipsis;
        start = end + 1;
    }
    if (start <= all.size()) {
        shown = Head(shown, kBoxChars).toString() + kEllipsis;
    }
    return shown;
}

bool LongText::HasLongLine(const QString& text) {
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = text.size();
        if (end - start > kLineChars) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace foldcraft
