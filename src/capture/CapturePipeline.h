#pragma once

#include "capture/CutoutExtraction.h"

#include <QPainterPath>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <atomic>
#include <optional>

class GalleryStore;
class NotificationCenter;
class Pasteboard;

// The screen a capture cuts from, and where its pixels come from.
struct CaptureScreen {
    double scale = 2.0; // its device pixel ratio: pixels per point
    double height = 0; // in points
    // The area the helper reads, in the X screen's pixels; empty for the
    // primary screen.
    QRect helperArea;
    // The screen as it was when crop mode started, at `scale`. When there is
    // one, the cut-out is taken from it and the helper is not run.
    QImage frozen;
};

// From a finished lasso to a stored cut-out: hide the overlay, photograph the
// screen with the capture helper, cut the lasso out, then hand the result to the
// clipboard and the gallery and end crop mode.
//
// A capture keeps going when the overlay that started it is destroyed (a new
// crop mode replaces it): it holds only the stores and services. It does not
// outlive the gallery store: when the store goes (the application quitting),
// a capture still under way is abandoned, its helper killed, nothing stored.
class CapturePipeline {
public:
    // `screenCaptureProgram` is run as "PROGRAM -x -m FILE" for the primary
    // screen, "PROGRAM -x -R X,Y,W,H FILE" for another area.
    CapturePipeline(GalleryStore& galleryStore, Pasteboard& pasteboard, NotificationCenter& notifications,
        QString screenCaptureProgram);

    // Main thread: runs hideAndCapture on the next turn of the event loop.
    void startCapture(QPointer<QWidget> overlay, std::optional<QPainterPath> lasso, CaptureScreen screen) const;

    // Main thread: hides `overlay` now and captures off the main thread, 0.1 s
    // later when the screen is photographed, so the overlay has left it.
    void hideAndCapture(QPointer<QWidget> overlay, std::optional<QPainterPath> lasso, CaptureScreen screen) const;

    // Any thread, blocking: runs the helper (unless the screen is frozen) and
    // cuts the lasso out of its image.
    // Logs "screencapture failed" or "cropping failed" when those steps fail. The
    // temporary screen image lies in a folder private to this user and to this
    // capture, and is removed with it before returning. Once `cancelled` turns
    // true the helper is killed and nothing is returned or logged.
    [[nodiscard]] static std::optional<CutoutResult> captureRegion(const QString& program,
        const std::optional<QPainterPath>& lasso, const CaptureScreen& screen,
        const std::atomic_bool* cancelled = nullptr);

    // Main thread: clipboard, log line, gallery, end of crop mode.
    void finishCapture(const QImage& cutout, const QRectF& box) const;

private:
    // The lasso cut out of `part`, the pixels of `partRect` of the screen's
    // image; logs "cropping failed" when the lasso lies off it.
    [[nodiscard]] static CutoutResult cutOut(const QImage& part, const QRect& partRect, const QSize& screenSize,
        const QPainterPath& lasso, const CaptureScreen& screen);
    // Main thread: acts on what captureRegion produced. Crop mode ends in every
    // case, so the panel never stays stuck showing it.
    void completeCapture(const std::optional<CutoutResult>& result) const;

    GalleryStore& m_galleryStore;
    Pasteboard& m_pasteboard;
    NotificationCenter& m_notifications;
    QString m_screenCaptureProgram;
};
