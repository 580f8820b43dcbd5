#pragma once

#include "capture/CutoutExtraction.h"

#include <QPainterPath>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <atomic>
#include <optional>

class GalleryStore;
class NotificationCenter;
class Pasteboard;

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
    // `screenCaptureProgram` is run as "PROGRAM -x -m FILE".
    CapturePipeline(GalleryStore& galleryStore, Pasteboard& pasteboard, NotificationCenter& notifications,
        QString screenCaptureProgram);

    // Main thread: runs hideAndCapture on the next turn of the event loop.
    void startCapture(
        QPointer<QWidget> overlay, std::optional<QPainterPath> lasso, double scale, double screenHeight) const;

    // Main thread: hides `overlay` now and captures 0.1 s later, off the main
    // thread, so the overlay has left the screen before it is photographed.
    void hideAndCapture(
        QPointer<QWidget> overlay, std::optional<QPainterPath> lasso, double scale, double screenHeight) const;

    // Any thread, blocking: runs the helper and cuts the lasso out of its image.
    // Logs "screencapture failed" or "cropping failed" when those steps fail. The
    // temporary screen image lies in a folder private to this user and to this
    // capture, and is removed with it before returning. Once `cancelled` turns
    // true the helper is killed and nothing is returned or logged.
    [[nodiscard]] static std::optional<CutoutResult> captureRegion(const QString& program,
        const std::optional<QPainterPath>& lasso, double scale, double screenHeight,
        const std::atomic_bool* cancelled = nullptr);

    // Main thread: clipboard, log line, gallery, end of crop mode.
    void finishCapture(const QImage& cutout, const QRectF& box) const;

private:
    // Main thread: acts on what captureRegion produced. Crop mode ends in every
    // case, so the panel never stays stuck showing it.
    void completeCapture(const std::optional<CutoutResult>& result) const;

    GalleryStore& m_galleryStore;
    Pasteboard& m_pasteboard;
    NotificationCenter& m_notifications;
    QString m_screenCaptureProgram;
};
