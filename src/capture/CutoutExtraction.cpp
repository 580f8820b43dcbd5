#include "capture/CutoutExtraction.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace CutoutExtraction {

QPainterPath closedLasso(const QPainterPath& lasso)
{
    QPainterPath closed = lasso;
    closed.closeSubpath();
    closed.setFillRule(Qt::WindingFill);
    return closed;
}

QRectF lassoBox(const QPainterPath& lasso)
{
    return closedLasso(lasso).controlPointRect();
}

QRect pixelBox(const QRectF& box, double scale, double screenHeight)
{
    const double left = box.left() * scale;
    const double top = (screenHeight - box.bottom()) * scale;
    const double right = left + box.width() * scale;
    const double bottom = top + box.height() * scale;
    if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) || !std::isfinite(bottom)
        || std::max({ std::abs(left), std::abs(top), std::abs(right), std::abs(bottom) }) > 1 << 24)
        return {};
    return QRect(QPoint(int(std::floor(left)), int(std::floor(top))),
        QPoint(int(std::ceil(right)) - 1, int(std::ceil(bottom)) - 1));
}

CutoutResult extract(const QImage& screen, const QPainterPath& lasso, double scale, double screenHeight)
{
    return extract(screen, screen.rect(), screen.size(), lasso, scale, screenHeight);
}

CutoutResult extract(const QImage& part, const QRect& partRect, const QSize& screenSize, const QPainterPath& lasso,
    double scale, double screenHeight)
{
    CutoutResult result;
    const QPainterPath outline = closedLasso(lasso);
    const QRectF box = outline.controlPointRect();
    result.box = box;
    if (!(box.width() > 0) || !(box.height() > 0)) {
        result.outcome = CutoutResult::Outcome::emptyBox;
        return result;
    }

    const QRect wanted = pixelBox(box, scale, screenHeight);
    const QRect crop = wanted.intersected(QRect(QPoint(0, 0), screenSize));
    if (part.isNull() || crop.isEmpty() || !partRect.contains(crop)) {
        result.outcome = CutoutResult::Outcome::croppingFailed;
        return result;
    }
    const QRect source = crop.translated(-partRect.topLeft());
    const double left = box.left() * scale;
    const double top = (screenHeight - box.bottom()) * scale;

    const double pixelWidth = box.width() * scale, pixelHeight = box.height() * scale;
    if (!(pixelWidth >= 1) || !(pixelHeight >= 1) || pixelWidth > 1 << 15 || pixelHeight > 1 << 15) {
        result.outcome = CutoutResult::Outcome::noBitmap;
        return result;
    }
    QImage cutout(int(pixelWidth), int(pixelHeight), QImage::Format_ARGB32_Premultiplied);
    if (cutout.isNull()) {
        result.outcome = CutoutResult::Outcome::noBitmap;
        return result;
    }
    cutout.fill(Qt::transparent);

    {
        QPainter painter(&cutout);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        // Points (y up) to cut-out pixels (y down): x' = s(x − minX), y' = s(maxY − y).
        painter.setTransform(QTransform(scale, 0, 0, -scale, -scale * box.left(), scale * box.bottom()));
        // The lasso's coverage becomes the alpha channel; the screen pixels are
        // then kept only where it is, in proportion to it.
        painter.fillPath(outline, Qt::black);
        painter.resetTransform();
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        // Drawn one to one at its place in the box, and over the whole box: the
        // mask is opaque wherever the source leaves it, so a box reaching past
        // the screen's edge gets transparent padding, not the mask's black.
        const QRectF target(wanted.left() - left, wanted.top() - top, wanted.width(), wanted.height());
        if (crop == wanted) {
            painter.drawImage(target, part, source);
        } else {
            QImage padded(wanted.size(), QImage::Format_ARGB32_Premultiplied);
            padded.fill(Qt::transparent);
            QPainter(&padded).drawImage(crop.topLeft() - wanted.topLeft(), part, source);
            painter.drawImage(target, padded);
        }
    }
    cutout.setDevicePixelRatio(scale);
    result.image = std::move(cutout);
    result.outcome = CutoutResult::Outcome::extracted;
    return result;
}

} // namespace CutoutExtraction
