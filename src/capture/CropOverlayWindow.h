#pragma once

#include "platform/PlatformServices.h"

#include <QImage>
#include <QWidget>

class CropOverlayView;
class GalleryStore;
class QScreen;

// The full-screen window of crop mode: frameless, above every other window (the
// floating panel too), covering one screen exactly. With a compositor it is
// truly transparent; without one it shows the screen as it was when crop mode
// started, so it still looks transparent; in a Wayland session it shows the
// desktop's own picture of the screen, from which the cut-out is then taken.
// That picture, as big as the screen, is let go as soon as the window is
// hidden. A right click anywhere leaves crop mode; keys do nothing.
class CropOverlayWindow : public QWidget {
    Q_OBJECT

public:
    // Covers `screen` (nothing when null). `frozenScreen`, when given, is that
    // screen's picture at its device pixel ratio.
    CropOverlayWindow(GalleryStore& galleryStore, const PlatformServices& services, QScreen* screen,
        QImage frozenScreen = {}, QWidget* parent = nullptr);
    ~CropOverlayWindow() override;

    // Forgets any lasso in progress or snapping (called when crop mode ends).
    void resetDrawing();

    [[nodiscard]] CropOverlayView& overlayView() const { return *m_overlayView; }
    // True when the window paints the frozen screen instead of being transparent.
    [[nodiscard]] bool showsFrozenScreen() const { return !m_frozenScreen.isNull(); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    PlatformServices m_services;
    QImage m_frozenScreen;
    CropOverlayView* m_overlayView = nullptr; // child widget, owned by this window
};
