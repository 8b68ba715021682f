#pragma once

#include <QString>

namespace foldcraft {

// A control's caption as its accessible name: the mnemonic marks taken out ("Add
// F&older" is "Add Folder"; "&&" is a plain "&"). Cannot fail.
inline QString PlainCaption(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && ++i == caption.size()) break;
        plain += caption[i];
    }
    return plain;
}

}  // namespace foldcraft
