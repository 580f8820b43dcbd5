#include "capture/CropOverlayWindow.h"

#include "platform/CommandNames.h"
#include "platform/NotificationCenter.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

CropOverlayWindow::CropOverlayWindow(GalleryStore& galleryStore, const PlatformServices& services, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool)
    , m_galleryStore(galleryStore)
    , m_services(services)
{
    setAttribute(Qt::WA_TranslucentBackground);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
}

void CropOverlayWindow::resetDrawing()
{
    update();
}

void CropOverlayWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        m_services.notifications.post(CommandNames::exitCropMode);
}

void CropOverlayWindow::paintEvent(QPaintEvent*)
{
    // Nearly clear, but not fully: a fully transparent window lets clicks through.
    QPainter(this).fillRect(rect(), QColor(0, 0, 0, 1));
}
