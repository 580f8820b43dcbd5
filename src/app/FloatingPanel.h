#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

#include <optional>

// The window of the floating panel: frameless, translucent, without shadow,
// above normal windows and on every desktop, never taking the keyboard focus
// from the application the user is working in. Its content is a
// FloatingPanelView, which fills it.
class FloatingPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int inset = 20; // from the screen's top-right corner

    explicit FloatingPanel(QWidget* parent = nullptr);

    void setContentView(QWidget* view);
    // Moves and resizes the window and its content at once, shown or not.
    void setFrame(const QRect& frame);
    [[nodiscard]] QWidget* contentView() const { return m_contentView; }

    // Where the panel first appears: 20 points in from the top-right corner of
    // the screen's available area (the area without panels and docks).
    [[nodiscard]] static QRect initialFrame(const QRect& availableGeometry);
    // The frame after (un)minimising: same left edge, width and top edge, the
    // height of the bar or of the full panel.
    [[nodiscard]] static QRect frameForMinimized(const QRect& frame, bool minimized);
    // Where the panel goes when no screen shows it any more (its screen was
    // unplugged or turned off): back to its first place on the primary
    // screen, at its current height. Nothing while a screen in `screens`
    // holds its centre.
    [[nodiscard]] static std::optional<QRect> rescuedFrame(
        const QRect& frame, const QList<QRect>& screens, const QRect& primaryAvailableGeometry);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void updateMask();

    QWidget* m_contentView = nullptr;
};
