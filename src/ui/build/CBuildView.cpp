#include "ui/build/CBuildView.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "document/ItemFieldsCommand.h"
#include "document/ItemFormRules.h"
#include "document/LocalDates.h"
#include "document/LongText.h"
#include "document/ProjectDocument.h"
#include "generator/SitePaths.h"
#include "model/BuildTreeFolder.h"
#include "ui/build/CBuildTreeView.h"
#include "ui/common/AppServices.h"
#include "ui/common/PlainCaption.h"
#include "ui/common/StepHeading.h"

namespace foldcraft {

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QDate DateOf(Time time) {
    return QDateTime::fromSecsSinceEpoch(time).date();
}

QPushButton* Button(const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setAccessibleName(PlainCaption(caption));
    return button;
}

}  // namespace

CBuildView::CBuildView(ProjectDocument& document, AppServices& services, CBuildTreeView& tree,
                       QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_services(services),
      m_tree(tree),
      m_model(tree.Model()) {
    CreateControls();
    SetUpDatePickers();
    LayOutForm();
    ConnectFields();
    ConnectButtons();
    connect(&m_tree, &CBuildTreeView::selectionChanged, this, &CBuildView::Load);
    connect(&m_tree, &CBuildTreeView::renameRequested, this, [this] {
        m_name->setFocus(Qt::ShortcutFocusReason);
        m_name->selectAll();
    });
    connect(&m_model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& index) {
        if (!m_writing && m_model.ItemAt(index) == m_shown) Load();
    });
    connect(&m_document, &ProjectDocument::designChanged, this, &CBuildView::Load);
    Load();
}

CBuildView::~CBuildView() = default;

void CBuildView::CreateControls() {
    m_name = new QLineEdit(this);
    m_visible = new QCheckBox(QStringLiteral("Vi&sible"), this);
    m_link = new QLineEdit(this);
    m_comment = new QLineEdit(this);
    m_publish = new QDateEdit(this);
    m_purge = new QCheckBox(QStringLiteral("Pur&ge:"), this);
    m_purgeDate = new QDateEdit(this);
    m_contents = new QCheckBox(QStringLiteral("Show \"&Contents for\" at start of page"), this);
    m_labelCaption = new QLabel(QStringLiteral("Label:"), this);
    m_editLabel = Button(QStringLiteral("Ed&it..."), this);
    m_label = new QPlainTextEdit(this);
    m_addFolder = Button(QStringLiteral("Add F&older"), this);
    m_addFiles = Button(QStringLiteral("Add Fi&les"), this);
    m_addWebLink = Button(QStringLiteral("Add &Web Link"), this);
    m_hotspots = Button(QStringLiteral("Ho&tspot..."), this);
    m_buttons = Button(QStringLiteral("Butto&ns..."), this);
    m_refresh = Button(QStringLiteral("&Refresh"), this);
    m_heading = new StepHeading(
        QStringLiteral("Step One:"),
        QStringLiteral("Create a tree structure that will organize your existing documents and "
                       "web links into folders. Create folders. Add documents by using the Add "
                       "Files button or drag and drop them from your file manager. "),
        this);

    m_name->setAccessibleName(QStringLiteral("Name:"));
    m_visible->setAccessibleName(PlainCaption(m_visible->text()));
    m_visible->setToolTip(QStringLiteral(
        "When cleared, the name is left out of its folder's page; the document is still "
        "published."));
    m_link->setAccessibleName(QStringLiteral("Link:"));
    m_comment->setAccessibleName(QStringLiteral("Comment:"));
    m_publish->setAccessibleName(QStringLiteral("Publish:"));
    m_purge->setAccessibleName(PlainCaption(m_purge->text()));
    m_purgeDate->setAccessibleName(QStringLiteral("Purge date"));
    m_contents->setAccessibleName(PlainCaption(m_contents->text()));
    m_label->setAccessibleName(QStringLiteral("Label"));
    m_label->setReadOnly(true);
    m_label->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_label->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void CBuildView::SetUpDatePickers() {
    for (QDateEdit* picker : {m_publish, m_purgeDate}) {
        picker->setDisplayFormat(LocalDates::ShortFormat(picker->locale()));
        picker->setCalendarPopup(true);
        picker->setKeyboardTracking(false);  // a typed date counts once it is complete
        // A date written into the picker from outside (an assistive tool), while the
        // user is not typing in it, counts at once.
        if (auto* edit = picker->findChild<QLineEdit*>()) {
            connect(edit, &QLineEdit::textChanged, picker, [picker] {
                if (!picker->hasFocus())
                    QMetaObject::invokeMethod(picker, &QAbstractSpinBox::interpretText,
                                              Qt::QueuedConnection);
            });
            // A click puts the caret into a section of full width, where a typed digit
            // would not fit: the section under the caret is selected instead, so that
            // typing replaces it (as after Tab).
            edit->installEventFilter(this);
        }
    }
}

bool CBuildView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        for (QDateEdit* picker : {m_publish, m_purgeDate}) {
            auto* edit = picker->findChild<QLineEdit*>();
            if (watched != edit || edit->hasSelectedText()) continue;
            picker->setSelectedSection(picker->currentSection());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CBuildView::LayOutForm() {
    auto* grid = new QGridLayout(this);
    auto caption = [this](const QString& text, QWidget* buddy) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        return label;
    };
    grid->addWidget(caption(QStringLiteral("&Name:"), m_name), 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 3);
    grid->addWidget(m_visible, 0, 4);
    grid->addWidget(caption(QStringLiteral("Link:"), m_link), 1, 0);
    grid->addWidget(m_link, 1, 1, 1, 4);
    grid->addWidget(caption(QStringLiteral("Comment:"), m_comment), 2, 0);
    grid->addWidget(m_comment, 2, 1, 1, 4);
    grid->addWidget(caption(QStringLiteral("Publish:"), m_publish), 3, 0);
    grid->addWidget(m_publish, 3, 1);
    grid->addWidget(m_purge, 3, 2);
    grid->addWidget(m_purgeDate, 3, 3);
    grid->addWidget(m_contents, 4, 0, 1, 5);
    auto* labelRow = new QHBoxLayout;
    labelRow->addWidget(m_labelCaption);
    labelRow->addWidget(m_editLabel);
    labelRow->addStretch();
    grid->addLayout(labelRow, 5, 0, 1, 5);
    grid->addWidget(m_label, 6, 0, 1, 5);
    auto* row8 = new QHBoxLayout;
    for (QPushButton* button : {m_addFolder, m_addFiles, m_addWebLink}) row8->addWidget(button);
    grid->addLayout(row8, 7, 0, 1, 5);
    auto* row9 = new QHBoxLayout;
    for (QPushButton* button : {m_hotspots, m_buttons, m_refresh}) row9->addWidget(button);
    grid->addLayout(row9, 8, 0, 1, 5);
    grid->addWidget(m_heading, 9, 0, 1, 5);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

void CBuildView::ConnectFields() {
    connect(m_name, &QLineEdit::textChanged, this, [this] { TextEdited(kName, m_name); });
    connect(m_link, &QLineEdit::textChanged, this, [this] { TextEdited(kLink, m_link); });
    connect(m_comment, &QLineEdit::textChanged, this, [this] { TextEdited(kComment, m_comment); });
    for (QLineEdit* edit : {m_name, m_link, m_comment})
        connect(edit, &QLineEdit::editingFinished, this, [this] { ++m_session; });
    // Check boxes report every change of state (an assistive tool toggles without a click).
    connect(m_visible, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading) return;
        Edit(kVisible, [on](ItemFields& f) { f.visible = on ? 1 : 0; });
    });
    connect(m_contents, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading) return;
        Edit(kContents, [on](ItemFields& f) { f.showContentsFor = on ? 1 : 0; });
    });
    connect(m_purge, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading) return;
        std::string message;
        Edit(kPurge, [&](ItemFields& f) {
            auto outcome = ItemFormRules::PurgeSwitched(f, on);
            message = ItemFormRules::Explained(outcome, m_purgeDate->locale()).toStdString();
            f = outcome.fields;
        });
        ShowOutcome(message);
    });
    connect(m_publish, &QDateEdit::dateChanged, this, [this] { DateEdited(kPublish); });
    connect(m_purgeDate, &QDateEdit::dateChanged, this, [this] { DateEdited(kPurgeDate); });
    connect(m_editLabel, &QPushButton::clicked, this, [this] {
        if (!m_shown) return;
        // The box may show the label cut short: the edit starts from the whole label.
        const auto text = m_services.dialogs.EditText(
            this, QStringLiteral("Edit Label"),
            QString::fromStdString(ItemFields::Read(*m_shown.item).label));
        if (!text) return;
        Edit(kLabel, [&](ItemFields& f) { f.label = text->toStdString(); });
        Load();
    });
}

void CBuildView::ConnectButtons() {
    const std::pair<QPushButton*, BuildCommand> buttons[] = {
        {m_addFolder, BuildCommand::kAddFolder},   {m_addFiles, BuildCommand::kAddFiles},
        {m_addWebLink, BuildCommand::kAddWebLink}, {m_hotspots, BuildCommand::kHotspots},
        {m_buttons, BuildCommand::kButtons},       {m_refresh, BuildCommand::kRefresh}};
    for (const auto& [button, command] : buttons) {
        connect(button, &QPushButton::clicked, this,
                [this, command = command] { emit commandRequested(command); });
    }
}

void CBuildView::Load() {
    const ItemRef ref = m_tree.Selected();
    if (!ref) return;
    if (ref != m_shown) ++m_session;
    m_shown = ref;
    const ItemFields fields = ItemFields::Read(*ref.item);
    const bool folder = ref.item->IsFolder();
    m_loading = true;
    m_link->setReadOnly(folder || !SitePaths::IsExternalLink(fields.link));
    // Unchanged texts are left alone, so the caret of a field being typed in stays.
    auto setText = [](QLineEdit* edit, const std::string& text) {
        const QString value = QString::fromStdString(text);
        if (edit->text() != value) edit->setText(value);
    };
    setText(m_name, fields.name);
    setText(m_link, fields.link);
    setText(m_comment, fields.comment);
    m_visible->setChecked(fields.visible == 1);
    m_purge->setChecked(fields.purge == 1);
    LoadDates(fields);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_addFiles, m_addFolder, m_addWebLink,
                                                           m_buttons, m_hotspots, m_editLabel,
                                                           m_label, m_contents, m_labelCaption})
        widget->setEnabled(folder);
    m_contents->setChecked(folder && fields.showContentsFor == 1);
    const QString label = folder ? LongText::Box(QString::fromStdString(fields.label)) : QString();
    if (m_label->toPlainText() != label) m_label->setPlainText(label);
    m_loading = false;
}

void CBuildView::LoadDates(const ItemFields& fields) {
    const bool was = m_loading;
    m_loading = true;
    m_publish->setDate(DateOf(fields.publish));
    m_purgeDate->setDate(DateOf(fields.purgeDate));
    m_purgeDate->setEnabled(fields.purge == 1);
    m_loading = was;
}

void CBuildView::Edit(Field field, const std::function<void(ItemFields&)>& change, bool merge) {
    const ItemRef ref = m_tree.Selected();
    if (!ref || ref != m_shown) return;
    const ItemFields before = ItemFields::Read(*ref.item);
    ItemFields after = before;
    change(after);
    if (after == before) return;
    m_writing = true;
    static const char* const kTexts[] = {
        "",      "Rename",     "Edit Link",    "Edit Comment", "Visible", "Publish Date",
        "Purge", "Purge Date", "Contents For", "Edit Label"};
    Push(new ItemFieldsCommand(m_model, QString::fromLatin1(kTexts[field]), ref, before, after,
                               field, merge ? m_session : 0, {m_model.Pending(), ref}));
    m_writing = false;
}

void CBuildView::ShowOutcome(const std::string& message) {
    if (m_shown) LoadDates(ItemFields::Read(*m_shown.item));
    if (!message.empty()) m_services.dialogs.Error(this, Text(message));
}

void CBuildView::TextEdited(Field field, QLineEdit* edit) {
    if (m_loading) return;
    QString text = edit->text();
    if (field == kName && text.isEmpty()) {
        text = Text(ItemFormRules::kEmptyName);
        m_loading = true;
        edit->setText(text);
        edit->selectAll();
        m_loading = false;
    }
    const std::string value = text.toStdString();
    Edit(
        field,
        [&](ItemFields& f) {
            if (field == kName) f.name = ItemFormRules::NameFromField(value);
            if (field == kLink) f.link = value;
            if (field == kComment) f.comment = value;
        },
        true);
}

void CBuildView::DateEdited(Field field) {
    if (m_loading || !m_shown) return;
    QDateEdit* picker = field == kPublish ? m_publish : m_purgeDate;
    const QDate day = picker->date();
    std::string message;
    Edit(field, [&](ItemFields& f) {
        const Time original = field == kPublish ? f.publish : f.purgeDate;
        const Time t = ItemFormRules::OnDay(original, day.year(), day.month(), day.day());
        auto outcome = field == kPublish ? ItemFormRules::PublishDatePicked(f, t)
                                         : ItemFormRules::PurgeDatePicked(f, t);
        message = ItemFormRules::Explained(outcome, picker->locale()).toStdString();
        f = outcome.fields;
    });
    ShowOutcome(message);
}

void CBuildView::Push(QUndoCommand* command) {
    m_document.UndoStack().push(command);
}

}  // namespace foldcraft
