#include "GalleryDriver.h"

#include <cstdlib>

XWindow GalleryDriver::findWindow(QSize size) const
{
    return m_session.appWindow([size](QRect frame) { return frame.size() == size; });
}

bool GalleryDriver::open()
{
    if (!X11Session::waitUntil([&] { return (m_panel = findWindow(QSize(78, 87))) != 0; }, 10000))
        return false;
    if (!clickHeart())
        return false;
    return X11Session::waitUntil([&] { return (m_window = findWindow(openingSize)) != 0; }, 10000);
}

bool GalleryDriver::clickHeart() const
{
    const QRect panel = m_session.screenGeometry(m_panel);
    // The heart's centre on the panel.
    return !panel.isNull() && m_session.clickAt(panel.topLeft() + QPoint(53, 34));
}

QRect GalleryDriver::frame() const
{
    return m_session.screenGeometry(m_window);
}

QImage GalleryDriver::image() const
{
    return m_session.windowImage(m_window);
}

bool GalleryDriver::click(QPoint inWindow, int button) const
{
    return m_session.clickAt(frame().topLeft() + inWindow, button);
}

bool GalleryDriver::drag(QPoint from, QPoint to) const
{
    const QPoint start = frame().topLeft() + from;
    const QPoint end = frame().topLeft() + to;
    QStringList arguments { "mousemove", QString::number(start.x()), QString::number(start.y()), "mousedown", "1" };
    constexpr int steps = 8;
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = start + (end - start) * i / steps;
        arguments << "sleep"
                  << "0.03"
                  << "mousemove" << QString::number(at.x()) << QString::number(at.y());
    }
    arguments << "sleep"
              << "0.1"
              << "mouseup"
              << "1";
    return m_session.xdotool(arguments).succeeded();
}

bool GalleryDriver::showsColour(QPoint inWindow, QColor colour, int tolerance) const
{
    const QImage shown = image();
    if (shown.isNull() || !shown.rect().contains(inWindow))
        return false;
    const QColor pixel = shown.pixelColor(inWindow);
    return std::abs(pixel.red() - colour.red()) <= tolerance && std::abs(pixel.green() - colour.green()) <= tolerance
        && std::abs(pixel.blue() - colour.blue()) <= tolerance;
}
