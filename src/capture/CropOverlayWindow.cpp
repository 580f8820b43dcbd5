#include "capture/CropOverlayWindow.h"

#include "capture/CapturePipeline.h"
#include "capture/CropOverlayView.h"
#include "capture/ScreenLayout.h"
#include "platform/CommandNames.h"
#include "platform/NotificationCenter.h"
#include "platform/ScreenCapture.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {
// Where the capture of a cut-out on `screen` reads: its scale and height, and
// for a screen other than the primary one, its area of the X screen.
CaptureScreen captureScreenOf(const QScreen* screen, QImage frozen)
{
    CaptureScreen capture;
    capture.frozen = std::move(frozen);
    if (!screen)
        return capture;
    capture.scale = screen->devicePixelRatio();
    capture.height = screen->geometry().height();
    if (screen != QGuiApplication::primaryScreen())
        capture.helperArea = ScreenLayout::nativeRect({ screen->geometry(), screen->devicePixelRatio() });
    return capture;
}
} // namespace

CropOverlayWindow::CropOverlayWindow(
    GalleryStore& galleryStore, const PlatformServices& services, QScreen* screen, QImage frozenScreen, QWidget* parent)
    // Bypassing the window manager is X11's pop-up-menu level: mapped above every
    // managed window, always-on-top ones included, and exactly where we put it.
    : QWidget(parent,
        Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint
            | Qt::NoDropShadowWindowHint)
    , m_services(services)
{
    if (!frozenScreen.isNull()) {
        m_frozenScreen = frozenScreen;
        setAttribute(Qt::WA_OpaquePaintEvent);
    } else if (services.screenCapture.desktopIsComposited()) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else if (screen) {
        // Taken before the overlay is shown, so it holds what the user sees now.
        m_frozenScreen = screen->grabWindow(0).toImage();
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
    } else {
        setGeometry(QRect());
    }

    m_overlayView = new CropOverlayView(services.defaults,
        CapturePipeline(
            galleryStore, services.pasteboard, services.notifications, services.screenCapture.toolProgram()),
        captureScreenOf(screen, std::move(frozenScreen)), this);
    m_overlayView->setGeometry(rect());
}

CropOverlayWindow::~CropOverlayWindow() = default;

void CropOverlayWindow::resetDrawing()
{
    m_overlayView->resetDrawing();
}

void CropOverlayWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        m_services.notifications.post(CommandNames::exitCropMode);
}

void CropOverlayWindow::paintEvent(QPaintEvent* event)
{
    if (m_frozenScreen.isNull())
        return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    // One picture pixel to one screen pixel: the picture carries the screen's ratio.
    painter.drawImage(QPointF(0, 0), m_frozenScreen);
}

void CropOverlayWindow::hideEvent(QHideEvent*)
{
    // A crop mode never shows its overlay again once hidden (the next one
    // makes a new window), so the picture is of no further use.
    m_frozenScreen = QImage();
}

void CropOverlayWindow::resizeEvent(QResizeEvent*)
{
    m_overlayView->setGeometry(rect());
}
