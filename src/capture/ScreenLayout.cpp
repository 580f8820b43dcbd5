#include "capture/ScreenLayout.h"

#include <cmath>

namespace ScreenLayout {

int screenAt(const QList<ScreenArea>& screens, QPoint pointer, int primary)
{
    for (int i = 0; i < screens.size(); ++i)
        if (screens[i].geometry.contains(pointer))
            return i;
    return primary;
}

QRect nativeRect(const ScreenArea& screen)
{
    const QSize size = screen.geometry.size();
    return { screen.geometry.topLeft(),
        QSize(int(std::lround(size.width() * screen.devicePixelRatio)),
            int(std::lround(size.height() * screen.devicePixelRatio))) };
}

QImage screenPixels(const QImage& layout, const QList<ScreenArea>& screens, int index)
{
    if (layout.isNull() || index < 0 || index >= screens.size())
        return {};
    QRect whole;
    for (const ScreenArea& screen : screens)
        whole |= nativeRect(screen);
    const QRect wanted = nativeRect(screens[index]);
    if (whole.isEmpty() || wanted.isEmpty())
        return {};

    // Pixels of the picture per display-server pixel, the same both ways
    // (within a pixel of rounding), or the picture is of something else.
    const double density = double(layout.width()) / whole.width();
    if (std::abs(whole.height() * density - layout.height()) > std::max(1.0, density))
        return {};

    const QRect source((wanted.topLeft() - whole.topLeft()) * density, wanted.size() * density);
    QImage pixels = layout.copy(source).convertToFormat(QImage::Format_RGB32);
    if (pixels.size() != wanted.size())
        pixels = pixels.scaled(wanted.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    pixels.setDevicePixelRatio(screens[index].devicePixelRatio);
    return pixels;
}

} // namespace ScreenLayout
