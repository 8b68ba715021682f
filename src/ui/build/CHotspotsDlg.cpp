#include "ui/build/CHotspotsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

#include "model/BuildTreeFolder.h"
#include "ui/build/CHotspotDisplayView.h"
#include "ui/common/UserDialogs.h"

namespace foldcraft {

namespace {

const QColor kToolGreen(0, 160, 0);

// The pictures of the tool buttons: a hatched green rectangle, circle and polygon,
// and a red cross; drawn at twice their size for high-density screens.
QIcon ToolIcon(int kind) {
    QPixmap pixmap(48, 48);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(2, 2);
        if (kind == 3) {
            painter.setPen(QPen(QColor(200, 0, 0), 3.5, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(6, 6), QPointF(18, 18));
            painter.drawLine(QPointF(18, 6), QPointF(6, 18));
        } else {
            painter.setPen(QPen(kToolGreen, 1.5));
            painter.setBrush(QBrush(kToolGreen, Qt::DiagCrossPattern));
            const QRectF box(3, 5, 18, 14);
            if (kind == 0) painter.drawRect(box);
            if (kind == 1) painter.drawEllipse(QRectF(3, 3, 18, 18));
            if (kind == 2)
                painter.drawPolygon(
                    QPolygonF{QPointF(4, 19), QPointF(9, 4), QPointF(20, 9), QPointF(16, 20)});
        }
    }
    pixmap.setDevicePixelRatio(2.0);
    return QIcon(pixmap);
}

QToolButton* MakeToolButton(QWidget* parent, int kind, const QString& name, const QString& tip,
                            bool checkable) {
    auto* button = new QToolButton(parent);
    button->setIcon(ToolIcon(kind));
    button->setIconSize(QSize(24, 24));
    button->setCheckable(checkable);
    button->setToolTip(tip);
    button->setAccessibleName(name);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

}  // namespace

CHotspotsDlg::CHotspotsDlg(QWidget* parent, IUserDialogs& dialogs, const CBuildTreeFolder& folder)
    : QDialog(parent), m_dialogs(dialogs) {
    setWindowTitle(QStringLiteral("Hotspots"));
    setSizeGripEnabled(true);
    CreateControls();
    LayOutControls();
    ConnectControls();
    ShowFolder(folder);
}

void CHotspotsDlg::CreateControls() {
    m_hotspotFolder = new QCheckBox(QStringLiteral("Make this a hotspot folder"), this);
    m_imageLabel = new QLabel(QStringLiteral("Image:"), this);
    m_imagePath = new QLineEdit(this);
    m_imagePath->setReadOnly(true);
    m_imagePath->setAccessibleName(QStringLiteral("Image:"));
    m_imageLabel->setBuddy(m_imagePath);
    m_browse = new QPushButton(style()->standardIcon(QStyle::SP_DirOpenIcon),
                               QStringLiteral("Browse..."), this);
    m_pane = new CHotspotDisplayView(m_tool, this);
    m_linkLabel = new QLabel(QStringLiteral("Link:"), this);
    m_links = new QComboBox(this);
    m_links->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_links->setMinimumContentsLength(18);
    m_links->setAccessibleName(QStringLiteral("Link:"));
    m_linkLabel->setBuddy(m_links);
    m_rectangle = MakeToolButton(this, 0, QStringLiteral("Rectangle"),
                                 QStringLiteral("Draw rectangles (drag on the picture)"), true);
    m_circle = MakeToolButton(this, 1, QStringLiteral("Circle"),
                              QStringLiteral("Draw circles (drag on the picture)"), true);
    m_polygon = MakeToolButton(
        this, 2, QStringLiteral("Polygon"),
        QStringLiteral("Draw polygons (click each corner; double-click or press Enter to finish)"),
        true);
    m_delete = MakeToolButton(this, 3, QStringLiteral("Delete"),
                              QStringLiteral("Delete the selected hotspot"), false);
    m_status = new QLabel(this);
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("toolHint"));
    m_ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"),
                           this);
    m_cancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                               QStringLiteral("Cancel"), this);
    m_ok->setDefault(true);
}

void CHotspotsDlg::LayOutControls() {
    auto* top = new QGridLayout;
    top->addWidget(m_hotspotFolder, 0, 0, 1, 3);
    top->addWidget(m_imageLabel, 1, 0);
    top->addWidget(m_imagePath, 1, 1);
    top->addWidget(m_browse, 1, 2);
    auto* bottom = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(m_rectangle), static_cast<QWidget*>(m_circle),
                       static_cast<QWidget*>(m_polygon), static_cast<QWidget*>(m_delete)})
        bottom->addWidget(w);
    bottom->addStretch(1);
    bottom->addWidget(m_linkLabel);
    bottom->addWidget(m_links);
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_pane, 1);
    auto* statusLine = new QHBoxLayout;
    statusLine->addWidget(m_status, 1);
    statusLine->addWidget(m_hint);
    layout->addLayout(statusLine);
    layout->addLayout(bottom);
    setMinimumSize(530, 300);
}

void CHotspotsDlg::ConnectControls() {
    // toggled rather than clicked: assistive technology toggles without a click.
    connect(m_hotspotFolder, &QCheckBox::toggled, this, &CHotspotsDlg::HotspotFlagToggled);
    connect(m_browse, &QPushButton::clicked, this, &CHotspotsDlg::Browse);
    connect(m_rectangle, &QToolButton::toggled, this,
            [this](bool on) { ToolToggled(HotspotTool::Tool::kRectangle, on); });
    connect(m_circle, &QToolButton::toggled, this,
            [this](bool on) { ToolToggled(HotspotTool::Tool::kCircle, on); });
    connect(m_polygon, &QToolButton::toggled, this,
            [this](bool on) { ToolToggled(HotspotTool::Tool::kPolygon, on); });
    connect(m_delete, &QToolButton::clicked, this, [this] {
        m_tool.DeleteSelected();
        Sync();
    });
    connect(m_links, &QComboBox::activated, this, [this](int index) {
        m_tool.ChooseLink(index);
        Sync();
    });
    m_links->installEventFilter(this);
    connect(m_pane, &CHotspotDisplayView::toolChanged, this, &CHotspotsDlg::Sync);
    connect(m_ok, &QPushButton::clicked, this, &CHotspotsDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CHotspotsDlg::reject);
}

void CHotspotsDlg::ShowFolder(const CBuildTreeFolder& folder) {
    // Opening: the link list, the flag and path, the picture, then the areas.
    const std::vector<std::string> links = LinkTexts(folder);
    for (const auto& link : links) m_links->addItem(QString::fromStdString(link));
    m_tool.SetLinks(links);
    const bool hotspotFolder = folder.m_bHotspotFolder == 1;
    {
        const QSignalBlocker quiet(m_hotspotFolder);
        m_hotspotFolder->setChecked(hotspotFolder);
    }
    m_imagePath->setText(QString::fromStdString(folder.m_strHotspotImage));
    if (hotspotFolder && !m_imagePath->text().isEmpty()) LoadPicture();
    m_tool.SetAreas(ReadHotspots(folder).areas);
    EnableControls(hotspotFolder);
    resize(555, 400);
    SizeToPicture();
    Sync();
}

CHotspotsDlg::~CHotspotsDlg() = default;

std::vector<std::string> CHotspotsDlg::LinkTexts(const CBuildTreeFolder& folder) {
    std::vector<std::string> links;
    for (size_t i = 0; i < folder.m_arrFolders.size(); ++i)
        links.push_back(folder.m_arrFolders[i]->m_strName + " (Folder " + std::to_string(i + 1) +
                        ")");
    for (const auto& doc : folder.m_arrDocs)
        links.push_back(doc->m_strName + " (" + doc->m_strLink + ")");
    return links;
}

std::optional<QSize> CHotspotsDlg::SizeForPicture(QSize picture, QSize screen) {
    const int w = picture.width(), h = picture.height();
    if (w < 1 || h < 1) return QSize(555, 400);
    if (w <= 555 && h <= 400) return std::nullopt;
    int width = w > 555 ? w + 29 : 555;
    int height = h > 400 ? h + 180 : 400;
    if (w > 555 && width >= screen.width()) width = screen.width() - 15;
    if (h > 400 && height >= screen.height()) height = screen.height() - 30;
    return QSize(width, height);
}

HotspotSettings CHotspotsDlg::Result() {
    CancelTools();
    HotspotSettings result;
    result.hotspotFolder = m_hotspotFolder->isChecked() ? 1 : 0;
    result.image = m_imagePath->text().toStdString();
    result.areas = m_tool.Areas();
    return result;
}

void CHotspotsDlg::accept() {
    CancelTools();
    QDialog::accept();
}

void CHotspotsDlg::reject() {
    CancelTools();
    QDialog::reject();
}

void CHotspotsDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    CancelTools();
}

bool CHotspotsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_links && event->type() == QEvent::FocusIn) CancelTools();
    return QDialog::eventFilter(watched, event);
}

void CHotspotsDlg::HotspotFlagToggled(bool checked) {
    CancelTools();
    EnableControls(checked);
    if (checked) return;
    const auto answer = m_dialogs.Message(
        this, QStringLiteral("This will erase all hotspots for this folder. Continue?"),
        IUserDialogs::Buttons::kYesNo, IUserDialogs::Icon::kQuestion);
    if (answer != IUserDialogs::Answer::kYes) {
        const QSignalBlocker quiet(m_hotspotFolder);
        m_hotspotFolder->setChecked(true);
        EnableControls(true);
        return;
    }
    m_pane->SetPicture(QPixmap());
    m_tool.SetAreas({});
    m_imagePath->clear();
    Sync();
}

void CHotspotsDlg::Browse() {
    CancelTools();
    const QString chosen = m_dialogs.OpenFileName(
        this, QStringLiteral("Browse"), QFileInfo(m_imagePath->text()).absolutePath(),
        QStringLiteral("Web Graphics (*.gif *.jpg *.jpeg *.png)"));
    if (!chosen.isEmpty()) m_imagePath->setText(QFileInfo(chosen).absoluteFilePath());
    if (m_imagePath->text().isEmpty()) {
        m_pane->SetPicture(QPixmap());
        m_tool.SetAreas({});
        Sync();
        return;
    }
    // Also when the chooser was cancelled: the picture is read again.
    LoadPicture();
    SizeToPicture();
    Sync();
}

void CHotspotsDlg::ToolToggled(HotspotTool::Tool tool, bool on) {
    // A click (or an assistive toggle) asks for the opposite of the tool's state.
    if (on != (m_tool.ActiveTool() == tool)) m_tool.ToggleTool(tool);
    Sync();
}

void CHotspotsDlg::LoadPicture() {
    m_pane->SetPicture(QPixmap());
    m_tool.SetAreas({});
    QImageReader reader(m_imagePath->text());
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        m_imagePath->clear();
        return;
    }
    m_pane->SetPicture(QPixmap::fromImage(image));
}

void CHotspotsDlg::SizeToPicture() {
    const QScreen* display = screen();
    const QRect available = display ? display->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize picture(m_tool.PictureWidth(), m_tool.PictureHeight());
    if (const auto size = SizeForPicture(picture, available.size())) {
        resize(*size);
        move(available.topLeft());
    }
}

void CHotspotsDlg::EnableControls(bool on) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_rectangle, m_circle, m_polygon, m_delete, m_links,
                                         m_imageLabel, m_imagePath, m_browse, m_linkLabel})
        w->setEnabled(on);
}

void CHotspotsDlg::CancelTools() {
    m_tool.CancelTools();
    Sync();
}

void CHotspotsDlg::Sync() {
    const HotspotTool::Tool active = m_tool.ActiveTool();
    const std::pair<QToolButton*, HotspotTool::Tool> buttons[] = {
        {m_rectangle, HotspotTool::Tool::kRectangle},
        {m_circle, HotspotTool::Tool::kCircle},
        {m_polygon, HotspotTool::Tool::kPolygon}};
    for (const auto& [button, tool] : buttons) {
        const QSignalBlocker quiet(button);
        button->setChecked(active == tool);
    }
    m_links->setCurrentIndex(m_tool.CurrentLink());
    m_status->setText(QString::fromStdString(m_tool.StatusText()));
    m_hint->setText(QString::fromStdString(m_tool.HintText()));
    m_pane->viewport()->update();
}

}  // namespace foldcraft
