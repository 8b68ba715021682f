#include "app/CSplashWnd.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

namespace foldcraft {

CSplashWnd::CSplashWnd(QWidget* over)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_over(over) {
    setObjectName(QStringLiteral("splash"));
    setAccessibleName(QStringLiteral("Foldcraft"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_timer.setSingleShot(true);
    m_timer.setInterval(kShowMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CSplashWnd::HideSplash);
}

CSplashWnd::~CSplashWnd() {
    if (m_showing) qApp->removeEventFilter(this);
}

bool CSplashWnd::Start() {
    if (m_showing) return true;
    const qreal ratio = m_over ? m_over->devicePixelRatioF() : qApp->devicePixelRatio();
    QSvgRenderer renderer(QStringLiteral(":/images/splash.svg"));
    if (!renderer.isValid()) return false;
    const QSize logical = renderer.defaultSize();
    m_picture = QPixmap(logical * ratio);
    m_picture.setDevicePixelRatio(ratio);
    m_picture.fill(Qt::transparent);
    {
        QPainter painter(&m_picture);
        renderer.render(&painter, QRectF(QPointF(0, 0), logical));
    }
    const QSize size = m_picture.deviceIndependentSize().toSize();
    setFixedSize(size);
    QRect area = m_over && m_over->isVisible() ? m_over->frameGeometry()
                                               : QApplication::primaryScreen()->availableGeometry();
    move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    m_showing = true;
    qApp->installEventFilter(this);
    show();
    raise();
    m_timer.start();
    return true;
}

void CSplashWnd::HideSplash() {
    if (!m_showing) return;
    m_showing = false;
    m_timer.stop();
    qApp->removeEventFilter(this);
    hide();
    if (m_over) m_over->repaint();
    emit hidden();
}

bool CSplashWnd::HidesSplash(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick:
            return true;
        default:
            return false;
    }
}

bool CSplashWnd::eventFilter(QObject* watched, QEvent* event) {
    if (!m_showing) return QWidget::eventFilter(watched, event);
    // A key first offers itself to the shortcuts: keep it from them too, so the key
    // press that follows arrives here and is swallowed as well.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (HidesSplash(event->type())) {
        HideSplash();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), m_picture);
}

}  // namespace foldcraft
