#include <gtest/gtest.h>

#include "document/LongText.h"

using foldcraft::LongText;

namespace {

QString Rep(char c, qsizetype n) {
    return QString(n, QLatin1Char(c));
}

}  // namespace

// What a box shows: short texts as they are; each long line cut with "…", never
// inside a surrogate pair; the whole cut after kBoxChars.
TEST(LongText, BoxCutsLongLinesAndLongTexts) {
    const qsizetype n = LongText::kLineChars;
    const QString cut = QString(QChar(0x2026));
    const QString clef = QString::fromUtf8("\xf0\x9d\x84\x9e");  // two UTF-16 units
    const QString shortLines = (Rep('a', n) + "\n").repeated(LongText::kBoxChars / n / 2);
    const struct {
        QString text, shown;
    } rows[] = {
        {"", ""},
        {"one\r\ntwo\n", "one\r\ntwo\n"},
        {Rep('a', n), Rep('a', n)},
        {Rep('a', n + 1), Rep('a', n) + cut},
        {"x\n" + Rep('a', 4'000'000) + "\ny", "x\n" + Rep('a', n) + cut + "\ny"},
        {Rep('a', n - 1) + clef, Rep('a', n - 1) + cut},
        {shortLines, shortLines},
        {shortLines.repeated(3), shortLines.repeated(3).left(LongText::kBoxChars) + cut},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(LongText::Box(row.text), row.shown) << row.text.left(20).toStdString();
        if (!row.text.contains('\n')) {
            EXPECT_EQ(LongText::Line(row.text), row.shown) << row.text.left(20).toStdString();
        }
    }
}
