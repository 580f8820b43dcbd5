#pragma once

#include <QImage>
#include <QPainterPath>
#include <QRectF>

// What became of one attempt to cut a lasso out of a screen image.
struct CutoutResult {
    enum class Outcome {
        extracted,
        emptyBox, // the lasso encloses no area
        croppingFailed, // the lasso's box lies outside the screen image
        noBitmap, // the cut-out would have no pixels, or could not be allocated
    };

    Outcome outcome = Outcome::emptyBox;
    // Premultiplied ARGB, pixels outside the lasso fully transparent; its device
    // pixel ratio is the screen's scale, so it reports its size in points.
    QImage image;
    // The lasso's bounding box in points (y upwards).
    QRectF box;
};

// Cutting a lasso out of a full-screen image. The lasso is in overlay
// coordinates: points, origin at the bottom left of the screen, y upwards; the
// screen image has its origin at the top left and `scale` pixels per point.
namespace CutoutExtraction {

// The lasso as the outline that is cut: closed once more at its end and filled
// with the non-zero winding rule, so a loop that crosses itself keeps both lobes.
[[nodiscard]] QPainterPath closedLasso(const QPainterPath& lasso);

// The box of all the lasso's points, curve control points included.
[[nodiscard]] QRectF lassoBox(const QPainterPath& lasso);

// The screen pixels under a box of points (y upwards): flipped to the image's
// top-left origin and widened to whole pixels. Not clipped to the screen.
[[nodiscard]] QRect pixelBox(const QRectF& box, double scale, double screenHeight);

// Crops the lasso's box out of `screen` and masks it with the lasso, with an
// anti-aliased edge. The cut-out is int(w·scale) × int(h·scale) pixels.
[[nodiscard]] CutoutResult extract(const QImage& screen, const QPainterPath& lasso, double scale, double screenHeight);

// The same, given only part of the screen image: `part` holds the pixels of
// `partRect` of a screen image of `screenSize`, and must cover the lasso's
// pixel box where that lies on the screen.
[[nodiscard]] CutoutResult extract(const QImage& part, const QRect& partRect, const QSize& screenSize,
    const QPainterPath& lasso, double scale, double screenHeight);

} // namespace CutoutExtraction
