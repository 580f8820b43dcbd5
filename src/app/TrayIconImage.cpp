#include "app/TrayIconImage.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const QString bundledAsset = QStringLiteral(":/assets/icon-menubar.png");

QPixmap drawnLasso(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = side / 16.0;
    painter.setPen(QPen(Qt::black, 1.5 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // A loop closing over its own tail, like a lasso stroke.
    painter.drawEllipse(QRectF(2 * unit, 2 * unit, 12 * unit, 9 * unit));
    QPainterPath tail(QPointF(5 * unit, 10.5 * unit));
    tail.cubicTo(QPointF(4 * unit, 13 * unit), QPointF(6 * unit, 14 * unit), QPointF(8 * unit, 14.5 * unit));
    painter.drawPath(tail);
    return QPixmap::fromImage(image);
}

} // namespace

namespace TrayIconImage {

QIcon load()
{
    if (QFile::exists(bundledAsset))
        return QIcon(bundledAsset);
    QIcon icon;
    for (const int side : { 16, 22, 24, 32, 48, 64 })
        icon.addPixmap(drawnLasso(side));
    return icon;
}

} // namespace TrayIconImage
