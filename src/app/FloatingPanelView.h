#pragma once

#include "app/PanelButton.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class NotificationCenter;
class QMenu;
class Theme;

// The content of the floating panel: the black 78 x 87 body with its title row
// and the checkerboard field holding the crop, gallery and mood-board buttons,
// or, minimised, a 78 x 16 bar with the product name.
//
// The buttons only post command notifications; their selected states follow
// the notifications that come back (crop mode entered or ended, the gallery
// and mood board shown or hidden). Minimising is the view's own state; the
// controller, told through `onMinimizeChanged`, resizes the window.
class FloatingPanelView : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal panelWidth = 78;
    static constexpr qreal expandedHeight = 87;
    static constexpr qreal minimizedHeight = 16;

    FloatingPanelView(NotificationCenter& notifications, const Theme& theme,
        std::function<void(bool)> onMinimizeChanged = {}, QWidget* parent = nullptr);

    [[nodiscard]] bool isMinimized() const { return m_isMinimized; }
    [[nodiscard]] bool isCropActive() const { return m_isCropActive; }
    [[nodiscard]] bool isGalleryOpen() const { return m_isGalleryOpen; }
    [[nodiscard]] bool isMoodBoardOpen() const { return m_isMoodBoardOpen; }

    // The menu a right click opens when `trayAvailable` says there is no system
    // tray to open it from, so that no command is ever out of reach.
    void setStatusMenu(QMenu* menu, std::function<bool()> trayAvailable);

    // Layout, in the view's coordinates (points, y down).
    [[nodiscard]] static QRectF titleRect();
    [[nodiscard]] static QRectF minimizeImageRect();
    [[nodiscard]] static QRectF fieldRect();
    [[nodiscard]] const std::vector<PanelButton>& buttons() const { return m_buttons; }

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void observe();
    void setMinimized(bool minimized);
    void setCropActive(bool active);
    void setGalleryOpen(bool open);
    void setMoodBoardOpen(bool open);
    void paintExpanded(QPainter& painter) const;
    void paintMinimized(QPainter& painter) const;
    [[nodiscard]] int buttonAt(QPointF point) const;
    void tapAt(QPointF point);

    NotificationCenter& m_notifications;
    const Theme& m_theme;
    std::function<void(bool)> m_onMinimizeChanged;

    bool m_isMinimized = false;
    bool m_isCropActive = false;
    bool m_isGalleryOpen = false;
    bool m_isMoodBoardOpen = false;
    std::vector<PanelButton> m_buttons;

    QPointer<QMenu> m_statusMenu;
    std::function<bool()> m_trayAvailable;

    // Pointer tracking: a press on a button taps it on release; a press
    // anywhere else either moves the window (once the pointer travels) or taps.
    int m_pressedButton = -1;
    bool m_pressedOutsideButtons = false;
    bool m_dragging = false;
    QPointF m_pressPosition;
    QPoint m_pressWindowPosition;
    QPointF m_pressGlobalPosition;
};
