#include "ui/build/CBuildView.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include "document/AddItemsCommand.h"
#include "document/FileItems.h"
#include "document/FolderSettingsCommand.h"
#include "document/ItemFieldsCommand.h"
#include "document/ItemFormRules.h"
#include "document/MoveItemCommand.h"
#include "document/ProjectDocument.h"
#include "document/RemoveItemCommand.h"
#include "document/SortTreeCommand.h"
#include "generator/SiteGenerator.h"
#include "generator/SitePaths.h"
#include "model/BuildTreeFolder.h"
#include "ui/build/BuildDialogs.h"
#include "ui/build/CBuildTreeView.h"
#include "ui/build/FolderDialogs.h"
#include "ui/common/AppServices.h"

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
    button->setAccessibleName(caption);
    return button;
}

using ButtonStylesCommand = FolderSettingsCommand<ButtonStyleSettings, &ApplyButtonStyles>;
using HotspotsCommand = FolderSettingsCommand<HotspotSettings, &ApplyHotspots>;

constexpr std::string_view kNoSubitems = "Folder has no subitems to link to.";
constexpr std::string_view kNotAFile = "Cannot add entire folder, select files instead.";

}  // namespace

CBuildView::CBuildView(ProjectDocument& document, AppServices& services, CBuildTreeView& tree,
                       QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_services(services),
      m_tree(tree),
      m_model(tree.Model()),
      m_ownDialogs(std::make_unique<QtBuildDialogs>(services.dialogs)),
      m_dialogs(m_ownDialogs.get()) {
    BuildForm();
    connect(&m_tree, &CBuildTreeView::selectionChanged, this, [this] {
        Load();
        emit selectionChanged();
    });
    connect(&m_tree, &CBuildTreeView::removeRequested, this,
            [this] { Run(BuildCommand::kRemove); });
    connect(&m_tree, &CBuildTreeView::renameRequested, this, [this] {
        m_name->setFocus(Qt::ShortcutFocusReason);
        m_name->selectAll();
    });
    connect(&m_tree, &CBuildTreeView::filesDropped, this, &CBuildView::DropFiles);
    connect(&m_model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& index) {
        if (!m_writing && m_model.ItemAt(index) == m_shown) Load();
    });
    connect(&m_document, &ProjectDocument::designChanged, this, &CBuildView::Load);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &CBuildView::selectionChanged);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &CBuildView::selectionChanged);
    connect(&m_model, &QAbstractItemModel::rowsMoved, this, &CBuildView::selectionChanged);
    connect(&m_model, &QAbstractItemModel::layoutChanged, this, &CBuildView::selectionChanged);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &CBuildView::selectionChanged);
    Load();
}

CBuildView::~CBuildView() = default;

void CBuildView::BuildForm() {
    m_name = new QLineEdit(this);
    m_visible = new QCheckBox(QStringLiteral("Visible"), this);
    m_link = new QLineEdit(this);
    m_comment = new QLineEdit(this);
    m_publish = new QDateEdit(this);
    m_purge = new QCheckBox(QStringLiteral("Purge:"), this);
    m_purgeDate = new QDateEdit(this);
    m_contents = new QCheckBox(QStringLiteral("Show \"Contents for\" at start of page"), this);
    m_labelCaption = new QLabel(QStringLiteral("Label:"), this);
    m_editLabel = Button(QStringLiteral("Edit..."), this);
    m_label = new QPlainTextEdit(this);
    m_addFolder = Button(QStringLiteral("Add Folder"), this);
    m_addFiles = Button(QStringLiteral("Add Files"), this);
    m_addWebLink = Button(QStringLiteral("Add Web Link"), this);
    m_hotspots = Button(QStringLiteral("Hotspot..."), this);
    m_buttons = Button(QStringLiteral("Buttons..."), this);
    m_refresh = Button(QStringLiteral("Refresh"), this);
    auto* step = new QLabel(QStringLiteral("Step One:"), this);
    QFont bold = step->font();
    bold.setBold(true);
    step->setFont(bold);
    auto* explanation = new QLabel(
        QStringLiteral("Create a tree structure that will organize your existing documents and "
                       "web links into folders. Create folders. Add documents by using the Add "
                       "Files button or drag and drop them from Windows Explorer. "),
        this);
    explanation->setWordWrap(true);

    m_name->setAccessibleName(QStringLiteral("Name:"));
    m_visible->setAccessibleName(m_visible->text());
    m_link->setAccessibleName(QStringLiteral("Link:"));
    m_comment->setAccessibleName(QStringLiteral("Comment:"));
    m_publish->setAccessibleName(QStringLiteral("Publish:"));
    m_purge->setAccessibleName(m_purge->text());
    m_purgeDate->setAccessibleName(QStringLiteral("Purge date"));
    m_contents->setAccessibleName(m_contents->text());
    m_label->setAccessibleName(QStringLiteral("Label"));
    m_label->setReadOnly(true);
    m_label->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_label->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (QDateEdit* picker : {m_publish, m_purgeDate}) {
        picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
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
        }
    }

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
    grid->addWidget(step, 9, 0, 1, 5);
    grid->addWidget(explanation, 10, 0, 1, 5);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

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
            f = outcome.fields;
            message = outcome.message;
        });
        ShowOutcome(message);
    });
    connect(m_publish, &QDateEdit::dateChanged, this, [this] { DateEdited(kPublish); });
    connect(m_purgeDate, &QDateEdit::dateChanged, this, [this] { DateEdited(kPurgeDate); });
    connect(m_editLabel, &QPushButton::clicked, this, [this] {
        const auto text =
            m_services.dialogs.EditText(this, QStringLiteral("Edit Label"), m_label->toPlainText());
        if (!text) return;
        Edit(kLabel, [&](ItemFields& f) { f.label = text->toStdString(); });
        Load();
    });
    connect(m_addFolder, &QPushButton::clicked, this, [this] { Run(BuildCommand::kAddFolder); });
    connect(m_addFiles, &QPushButton::clicked, this, [this] { Run(BuildCommand::kAddFiles); });
    connect(m_addWebLink, &QPushButton::clicked, this, [this] { Run(BuildCommand::kAddWebLink); });
    connect(m_hotspots, &QPushButton::clicked, this, [this] { Run(BuildCommand::kHotspots); });
    connect(m_buttons, &QPushButton::clicked, this, [this] { Run(BuildCommand::kButtons); });
    connect(m_refresh, &QPushButton::clicked, this, [this] { Run(BuildCommand::kRefresh); });
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
    const QString label = folder ? QString::fromStdString(fields.label) : QString();
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
    const QDate day = (field == kPublish ? m_publish : m_purgeDate)->date();
    std::string message;
    Edit(field, [&](ItemFields& f) {
        const Time original = field == kPublish ? f.publish : f.purgeDate;
        const Time t = ItemFormRules::OnDay(original, day.year(), day.month(), day.day());
        auto outcome = field == kPublish ? ItemFormRules::PublishDatePicked(f, t)
                                         : ItemFormRules::PurgeDatePicked(f, t);
        f = outcome.fields;
        message = outcome.message;
    });
    ShowOutcome(message);
}

void CBuildView::Run(BuildCommand command) {
    switch (command) {
        case BuildCommand::kAddFolder:
            AddFolder();
            break;
        case BuildCommand::kAddFiles:
            AddFiles();
            break;
        case BuildCommand::kAddWebLink:
            AddWebLink();
            break;
        case BuildCommand::kButtons:
            EditButtons();
            break;
        case BuildCommand::kHotspots:
            EditHotspots();
            break;
        case BuildCommand::kPreview:
            WritePreviewPage();
            break;
        case BuildCommand::kSortAscending:
            Sort(true);
            break;
        case BuildCommand::kSortDescending:
            Sort(false);
            break;
        case BuildCommand::kMoveUp:
            Move(true);
            break;
        case BuildCommand::kMoveDown:
            Move(false);
            break;
        case BuildCommand::kRemove:
            Remove();
            break;
        case BuildCommand::kRefresh:
            Refresh();
            break;
    }
}

BuildSelection CBuildView::Selection() const {
    BuildSelection selection;
    selection.treeItemCount = m_model.ItemCount();
    const ItemRef ref = m_tree.Selected();
    if (!ref) return selection;
    selection.any = true;
    selection.folder = ref.item->IsFolder();
    selection.root = ref.parent == nullptr;
    if (ref.parent) {
        const int row = m_model.IndexOf(ref).row();
        const int folders = static_cast<int>(ref.parent->m_arrFolders.size());
        const int docs = static_cast<int>(ref.parent->m_arrDocs.size());
        const int position = selection.folder ? row : row - folders;
        const int count = selection.folder ? folders : docs;
        selection.previousSameKind = position > 0;
        selection.nextSameKind = position + 1 < count;
    }
    return selection;
}

CBuildTreeFolder* CBuildView::SelectedFolder(bool orParent) const {
    const ItemRef ref = m_tree.Selected();
    if (!ref) return nullptr;
    if (ref.item->IsFolder()) return static_cast<CBuildTreeFolder*>(ref.item);
    return orParent ? ref.parent : nullptr;
}

ItemRef CBuildView::FolderRef(CBuildTreeFolder* folder) const {
    return {folder, m_model.ParentOf(folder)};
}

void CBuildView::Push(QUndoCommand* command) {
    m_document.UndoStack().push(command);
}

void CBuildView::AddFolder() {
    const auto name = m_dialogs->AskFolderName(this);
    CBuildTreeFolder* parent = SelectedFolder(false);
    if (!name || !parent) return;
    std::vector<std::unique_ptr<CBuildTreeFolder>> folders;
    folders.push_back(
        std::make_unique<CBuildTreeFolder>(name->toStdString(), "(folder)", std::string()));
    const ItemRef target = FolderRef(parent);
    Push(new AddItemsCommand(m_model, QStringLiteral("Add Folder"), *parent, std::move(folders), {},
                             {m_model.Pending(), m_tree.Selected()}, {target, target}));
}

void CBuildView::AddFiles() {
    const QStringList chosen = m_services.dialogs.OpenFileNames(
        this, QStringLiteral("Add Files"), QString::fromStdString(m_services.lastAddDir),
        QStringLiteral("All Files (*)"));
    CBuildTreeFolder* parent = SelectedFolder(false);
    if (chosen.isEmpty() || !parent) return;
    std::vector<std::string> paths;
    for (const QString& path : chosen) paths.push_back(path.toStdString());
    FileItems items = FileItems::FromPaths(paths, false);
    if (!items.lastDirectory.empty()) m_services.lastAddDir = items.lastDirectory;
    const ItemRef target = FolderRef(parent);
    Push(new AddItemsCommand(m_model, QStringLiteral("Add Files"), *parent, {},
                             std::move(items.docs), {m_model.Pending(), m_tree.Selected()},
                             {target, target}));
    if (items.supportFile) SupportFileNotice();
}

void CBuildView::AddWebLink() {
    const auto link = m_dialogs->AskWebLink(this);
    CBuildTreeFolder* parent = SelectedFolder(false);
    if (!link || !parent) return;
    std::vector<std::unique_ptr<CBuildTreeDoc>> docs;
    docs.push_back(std::make_unique<CBuildTreeDoc>(link->name.toStdString(),
                                                   link->link.toStdString(), std::string()));
    const ItemRef target = FolderRef(parent);
    Push(new AddItemsCommand(m_model, QStringLiteral("Add Web Link"), *parent, {}, std::move(docs),
                             {m_model.Pending(), m_tree.Selected()}, {target, target}));
}

void CBuildView::DropFiles(const QStringList& dropped, const ItemRef& target) {
    if (!target) return;
    CBuildTreeFolder* parent =
        target.item->IsFolder() ? static_cast<CBuildTreeFolder*>(target.item) : target.parent;
    std::vector<std::string> paths;
    for (const QString& path : dropped) paths.push_back(path.toStdString());
    FileItems items = FileItems::FromPaths(paths, true);
    for (int i = 0; i < items.refused; ++i) m_services.dialogs.Error(this, Text(kNotAFile));
    if (!items.docs.empty()) {
        Push(new AddItemsCommand(m_model, QStringLiteral("Drop Files"), *parent, {},
                                 std::move(items.docs), {m_model.Pending(), m_tree.Selected()},
                                 {m_model.Pending(), {}}));
    }
    if (items.supportFile) SupportFileNotice();
}

void CBuildView::SupportFileNotice() {
    if (m_services.settings.GetInt("Message", "SupportFileMsg", 0) != 0) return;
    if (m_dialogs->SupportFileNotice(this))
        m_services.settings.WriteInt("Message", "SupportFileMsg", 1);
}

void CBuildView::EditButtons() {
    CBuildTreeFolder* folder = SelectedFolder(false);
    if (!folder) return;
    auto styles = EditButtonStyles(this, m_services, *folder);
    if (!styles) return;
    const TreeSelection after{m_model.Pending(), m_model.Pending()};
    Push(new ButtonStylesCommand(m_model, QStringLiteral("Buttons"), FolderRef(folder),
                                 ReadButtonStyles(*folder), std::move(*styles),
                                 {m_model.Pending(), m_tree.Selected()}, after));
}

void CBuildView::EditHotspots() {
    CBuildTreeFolder* folder = SelectedFolder(false);
    if (!folder) return;
    if (folder->m_arrDocs.empty() && folder->m_arrFolders.empty()) {
        m_services.dialogs.Error(this, Text(kNoSubitems));
        return;
    }
    auto hotspots = foldcraft::EditHotspots(this, m_services, *folder);
    if (!hotspots) return;
    const TreeSelection after{m_model.Pending(), m_model.Pending()};
    Push(new HotspotsCommand(m_model, QStringLiteral("Hotspots"), FolderRef(folder),
                             ReadHotspots(*folder), std::move(*hotspots),
                             {m_model.Pending(), m_tree.Selected()}, after));
}

void CBuildView::Sort(bool ascending) {
    const ItemRef selected = m_tree.Selected();
    CBuildTreeFolder* folder = SelectedFolder(true);
    if (!folder) {
        Refresh();
        return;
    }
    Push(new SortTreeCommand(m_model, *folder, ascending, {m_model.Pending(), selected},
                             {selected, selected}));
}

void CBuildView::Move(bool up) {
    const ItemRef selected = m_tree.Selected();
    const BuildSelection selection = Selection();
    if (!selected.parent || !(up ? selection.previousSameKind : selection.nextSameKind)) return;
    Push(new MoveItemCommand(m_model, selected, up, {m_model.Pending(), selected},
                             {selected, selected}));
}

void CBuildView::Remove() {
    const ItemRef selected = m_tree.Selected();
    if (!selected) return;
    if (!selected.parent) {
        Refresh();
        return;
    }
    const ItemRef parent = FolderRef(selected.parent);
    Push(new RemoveItemCommand(m_model, selected, {m_model.Pending(), selected}, {parent, parent}));
}

void CBuildView::Refresh() {
    m_model.RequestRebuild(m_model.Pending());
}

void CBuildView::WritePreviewPage() {
    const CBuildTreeFolder* folder = SelectedFolder(true);
    if (!folder) return;
    if (!foldcraft::WritePreviewPage(m_document.Doc(), *folder, m_services.programFolder)) return;
    m_services.dialogs.OpenUrl(
        QUrl::fromLocalFile(QString::fromStdString(m_services.programFolder + "/temp.html")));
}

}  // namespace foldcraft
