#pragma once

#include <QWidget>

namespace foldcraft {

// The heading of a step's page: the step ("Step One:") in bold over a word-wrapped
// explanation. Each label keeps its text as its accessible name.
class StepHeading : public QWidget {
    Q_OBJECT
public:
    // titleScale enlarges the step's font (1: the page's own size).
    StepHeading(const QString& step, const QString& explanation, QWidget* parent,
                double titleScale = 1.0);
};

}  // namespace foldcraft
