#pragma once

#include <QWidget>
#include <cstdint>

class QLineEdit;

namespace foldcraft {
class CClrButton;
class CDesignColorView;
class IUserDialogs;
class ProjectDocument;

// The Colors page of the Design step: seven colour swatches with their web form
// and a live preview. A swatch opens the colour chooser at its colour; the chosen
// colour, or one typed into the web form (#RRGGBB, a bad one is put back), is
// written into the document at once as one undo step. Re-read from the document each time the page
// is shown. The document and the dialogs outlive the page.
class CDesignColorPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRows = 7;

    CDesignColorPage(ProjectDocument& document, IUserDialogs& dialogs, QWidget* parent = nullptr);

    // Shows the document's colours and repaints the preview. Never marks the
    // project modified.
    void Fill();

    CClrButton* Swatch(int row) const { return m_swatches[row]; }
    QLineEdit* ColourText(int row) const { return m_texts[row]; }
    CDesignColorView* Preview() const { return m_preview; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ChooseColour(int row);
    void ColourTyped(int row);
    void SetColour(int row, std::uint32_t colour);
    void SetDefaults();

    ProjectDocument& m_document;
    IUserDialogs& m_dialogs;
    CClrButton* m_swatches[kRows] = {};
    QLineEdit* m_texts[kRows] = {};
    CDesignColorView* m_preview = nullptr;
};

}  // namespace foldcraft
