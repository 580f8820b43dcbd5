#pragma once

#include "platform/PlatformServices.h"

#include <QWidget>

class GalleryStore;

// The full-screen window of crop mode. This first version only covers the
// primary screen and leaves crop mode on a right click.
class CropOverlayWindow : public QWidget
{
    Q_OBJECT

public:
    CropOverlayWindow(GalleryStore& galleryStore, const PlatformServices& services, QWidget* parent = nullptr);

    // Forgets any lasso in progress (called when crop mode ends).
    void resetDrawing();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    GalleryStore& m_galleryStore;
    PlatformServices m_services;
};
