#pragma once

#include "ui/BorderlessWindowGeometry.h"

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
    const BorderlessWindowGeometry geometry;

    BorderlessResizableWindow(
        const QString& title, const BorderlessWindowGeometry& geometry, QWidget* parent = nullptr);

    // The content, resized with the window.
    void setContentView(QWidget* view);

    // Shows the window at its opening frame, centred on the primary screen,
    // however it was sized, placed or minimised before, and makes it active.
    void showAtOpeningFrame();

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
