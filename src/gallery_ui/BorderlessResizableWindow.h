#pragma once

#include <QSizeF>
#include <QWidget>

// A frameless top-level window that keeps the window manager's title (so
// taskbars and pagers name it) and draws its own frame. It handles the frame's
// input before its content sees it: a press in the drawn title bar, outside
// the two buttons, moves the window through the window manager; a press near
// an edge or in a corner resizes it; the pointer shows the diagonal resize
// cursor in the corner squares and the arrow elsewhere.
class BorderlessResizableWindow : public QWidget {
    Q_OBJECT

public:
    // Set at initialisation; the geometry functions use the same numbers.
    const qreal edgeMargin;
    const QSizeF defaultSize;

    explicit BorderlessResizableWindow(const QString& title, QWidget* parent = nullptr);

    // The content, resized with the window.
    void setContentView(QWidget* view);

Q_SIGNALS:
    // The window manager took over a resize drag from the pointer.
    void liveResizeStarted();
    void resized();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_contentView = nullptr;
};
