#pragma once

#include <QEvent>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace foldcraft {

// The start-up splash: a borderless picture centred over the main window for 750 ms.
// While it shows, the first key press or mouse button press anywhere in the program
// hides it and is swallowed (it reaches no window). Hiding emits hidden() once.
class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShowMilliseconds = 750;

    // Builds the splash over parent (not owned); nothing shows until Start().
    explicit CSplashWnd(QWidget* parent);
    ~CSplashWnd() override;

    // Shows the splash, starts its timer and begins watching the program's input.
    // False (and nothing shown) when the picture cannot be loaded.
    bool Start();
    // Hides the splash at once (timer, key, mouse, or the caller).
    void HideSplash();
    bool IsShowing() const { return m_showing; }

    // Whether an event of this type hides the splash (and is swallowed).
    static bool HidesSplash(QEvent::Type type);

signals:
    void hidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_over;
    QPixmap m_picture;
    QTimer m_timer;
    bool m_showing = false;
};

}  // namespace foldcraft
