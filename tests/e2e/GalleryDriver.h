#pragma once

#include "X11Session.h"

#include <QImage>
#include <QPoint>
#include <QRect>

// Drives the real Idea Gallery window of an end-to-end session: opens it with
// the floating panel's heart, finds it among the app's windows, and clicks,
// drags and reads pixels at positions measured from the window's top-left.
class GalleryDriver {
public:
    static constexpr QSize openingSize { 601, 472 };

    explicit GalleryDriver(const X11Session& session)
        : m_session(session)
    {
    }

    // Clicks the panel's heart and waits for a viewable 601 x 472 window.
    [[nodiscard]] bool open();
    // Clicks the panel's heart again (after open): hides or shows the gallery.
    [[nodiscard]] bool clickHeart() const;
    [[nodiscard]] XWindow window() const { return m_window; }
    [[nodiscard]] QRect frame() const;
    [[nodiscard]] QImage image() const;
    [[nodiscard]] bool click(QPoint inWindow, int button = 1) const;
    // Presses at `from`, moves in small steps to `to` and releases there.
    [[nodiscard]] bool drag(QPoint from, QPoint to) const;
    // Whether the window's pixel at `inWindow` is close to `colour`.
    [[nodiscard]] bool showsColour(QPoint inWindow, QColor colour, int tolerance = 24) const;

private:
    [[nodiscard]] XWindow findWindow(QSize size) const;

    const X11Session& m_session;
    XWindow m_panel = 0;
    XWindow m_window = 0;
};
