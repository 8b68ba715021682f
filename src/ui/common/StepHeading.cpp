#include "ui/common/StepHeading.h"

#include <QLabel>
#include <QVBoxLayout>

namespace foldcraft {

StepHeading::StepHeading(const QString& step, const QString& explanation, QWidget* parent,
                         double titleScale)
    : QWidget(parent) {
    auto* title = new QLabel(step, this);
    QFont bold = title->font();
    bold.setBold(true);
    if (titleScale != 1.0) bold.setPointSizeF(bold.pointSizeF() * titleScale);
    title->setFont(bold);
    auto* text = new QLabel(explanation, this);
    text->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title);
    layout->addWidget(text);
}

}  // namespace foldcraft
