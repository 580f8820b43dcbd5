#include "app/FloatingPanelView.h"

#include "app/MinimizedCornerShape.h"
#include "platform/CommandNames.h"
#include "platform/NotificationCenter.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

namespace {

constexpr qreal baseRadius = 8;
constexpr qreal fieldRadius = 4;
constexpr qreal titleSize = 9;
constexpr qreal moodBoardLabelSize = 7.7;
constexpr qreal moodBoardLabelTracking = -0.3;
constexpr QSizeF iconFrame { 15, 13 };

enum ButtonIndex { cropButton = 0, galleryButton = 1, moodBoardButton = 2 };

} // namespace

FloatingPanelView::FloatingPanelView(
    NotificationCenter& notifications, const Theme& theme, std::function<void(bool)> onMinimizeChanged, QWidget* parent)
    : QWidget(parent)
    , m_notifications(notifications)
    , m_theme(theme)
    , m_onMinimizeChanged(std::move(onMinimizeChanged))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);

    const QPointF field = fieldRect().topLeft();
    const auto icon = [this](const QString& name) {
        return [this, name](QPainter& painter, const QRectF& face, bool selected) {
            // Drawn at the image's own size (which is the 15 x 13 frame), so
            // every pixel of the art lands on a device pixel.
            const QRectF target(face.center() - QPointF(iconFrame.width() / 2, iconFrame.height() / 2), iconFrame);
            m_theme.drawImage(painter, target, name, selected ? m_theme.palette().paper : m_theme.palette().ink);
        };
    };
    const auto label = [this](QPainter& painter, const QRectF& face, bool selected) {
        QFont font = m_theme.font(FontRole::chicago, moodBoardLabelSize);
        font.setLetterSpacing(QFont::AbsoluteSpacing, moodBoardLabelTracking);
        painter.save();
        painter.setFont(font);
        painter.setPen(selected ? m_theme.palette().paper : m_theme.palette().panelLabel);
        painter.drawText(face, Qt::AlignCenter, QStringLiteral("MoodBoard"));
        painter.restore();
    };

    m_buttons.emplace_back(
        22, 20, field + QPointF(21, 18),
        [this] {
            if (m_isCropActive) {
                m_notifications.post(CommandNames::exitCropMode);
                return;
            }
            // Without a compositor the overlay shows a picture of the screen
            // taken as crop mode starts, so the button must be on the screen
            // selected before the post, not at the next paint.
            setCropActive(true);
            repaint();
            m_notifications.post(CommandNames::enterCropMode);
        },
        icon(QStringLiteral("icon-scissors")));
    m_buttons.emplace_back(
        22, 20, field + QPointF(49, 18), [this] { m_notifications.post(CommandNames::toggleIdeaGallery); },
        icon(QStringLiteral("icon-heart")));
    m_buttons.emplace_back(
        51, 19, field + QPointF(35, 46), [this] { m_notifications.post(CommandNames::toggleMoodBoard); }, label);

    observe();
}

void FloatingPanelView::observe()
{
    m_notifications.addObserver(this, CommandNames::enterCropMode, [this](const QVariantMap&) { setCropActive(true); });
    m_notifications.addObserver(this, CommandNames::exitCropMode, [this](const QVariantMap&) { setCropActive(false); });
    m_notifications.addObserver(
        this, CommandNames::cropDidComplete, [this](const QVariantMap&) { setCropActive(false); });
    m_notifications.addObserver(this, CommandNames::galleryVisibilityChanged, [this](const QVariantMap& info) {
        if (const auto open = NotificationCenter::isOpen(info))
            setGalleryOpen(*open);
    });
    m_notifications.addObserver(this, CommandNames::moodBoardVisibilityChanged, [this](const QVariantMap& info) {
        if (const auto open = NotificationCenter::isOpen(info))
            setMoodBoardOpen(*open);
    });
}

void FloatingPanelView::setStatusMenu(QMenu* menu, std::function<bool()> trayAvailable)
{
    m_statusMenu = menu;
    m_trayAvailable = std::move(trayAvailable);
}

QRectF FloatingPanelView::titleRect()
{
    return { 0, 0, panelWidth, minimizedHeight };
}

QRectF FloatingPanelView::minimizeImageRect()
{
    constexpr qreal side = 7.69;
    return { 12 - side / 2, 8 - side / 2, side, side };
}

QRectF FloatingPanelView::fieldRect()
{
    // 70 x 66, 4 points in from the sides, its 5 points of bottom padding
    // ending at the panel's bottom edge: directly under the title row.
    return { 4, expandedHeight - 5 - 66, 70, 66 };
}

QSize FloatingPanelView::sizeHint() const
{
    return { int(panelWidth), int(m_isMinimized ? minimizedHeight : expandedHeight) };
}

void FloatingPanelView::setMinimized(bool minimized)
{
    if (m_isMinimized == minimized)
        return;
    m_isMinimized = minimized;
    m_pressedButton = -1;
    update();
    if (m_onMinimizeChanged)
        m_onMinimizeChanged(minimized);
}

void FloatingPanelView::setCropActive(bool active)
{
    m_isCropActive = active;
    m_buttons[cropButton].isSelected = active;
    update();
}

void FloatingPanelView::setGalleryOpen(bool open)
{
    m_isGalleryOpen = open;
    m_buttons[galleryButton].isSelected = open;
    update();
}

void FloatingPanelView::setMoodBoardOpen(bool open)
{
    m_isMoodBoardOpen = open;
    m_buttons[moodBoardButton].isSelected = open;
    update();
}

void FloatingPanelView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Pixel look: shapes are filled without smoothing, so every edge is a
    // whole pixel, as in the rest of the artwork.
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_isMinimized)
        paintMinimized(painter);
    else
        paintExpanded(painter);
}

void FloatingPanelView::paintExpanded(QPainter& painter) const
{
    const ThemePalette& palette = m_theme.palette();
    QPainterPath base;
    base.addRoundedRect(QRectF(0, 0, panelWidth, expandedHeight), baseRadius, baseRadius);
    painter.fillPath(base, palette.ink);

    painter.setFont(m_theme.font(FontRole::chicago, titleSize));
    painter.setPen(palette.paper);
    painter.drawText(titleRect().translated(3, 0), Qt::AlignCenter, QStringLiteral("Scrapwick"));
    const QRectF minimize = minimizeImageRect();
    const QImage minimizeImage = m_theme.image(QStringLiteral("icon-minimize"));
    // The art is 8 x 8, the nearest whole size to the 7.69-point square.
    const QSizeF imageSize = minimizeImage.deviceIndependentSize();
    m_theme.drawImage(painter,
        QRectF(minimize.center() - QPointF(imageSize.width() / 2, imageSize.height() / 2), imageSize),
        QStringLiteral("icon-minimize"));

    QPainterPath field;
    field.addRoundedRect(fieldRect(), fieldRadius, fieldRadius);
    painter.fillPath(field, palette.paper);
    painter.save();
    painter.setClipPath(field);
    m_theme.drawTiled(painter, fieldRect(), QStringLiteral("checkerboard-tile"));
    painter.restore();

    for (const PanelButton& button : m_buttons)
        button.paint(painter, palette);
}

void FloatingPanelView::paintMinimized(QPainter& painter) const
{
    const ThemePalette& palette = m_theme.palette();
    const QRectF bar(0, 0, panelWidth, minimizedHeight);
    painter.fillPath(MinimizedCornerShape::path(bar), palette.ink);
    painter.setFont(m_theme.font(FontRole::chicago, titleSize));
    painter.setPen(palette.paper);
    painter.drawText(bar, Qt::AlignCenter, QStringLiteral("Scrapwick"));
}

int FloatingPanelView::buttonAt(QPointF point) const
{
    if (m_isMinimized)
        return -1;
    for (int i = 0; i < int(m_buttons.size()); ++i)
        if (m_buttons[size_t(i)].contains(point))
            return i;
    return -1;
}

void FloatingPanelView::tapAt(QPointF point)
{
    if (m_isMinimized)
        setMinimized(false);
    else if (minimizeImageRect().contains(point))
        setMinimized(true);
}

void FloatingPanelView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        if (m_statusMenu && m_trayAvailable && !m_trayAvailable())
            m_statusMenu->popup(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_pressPosition = event->position();
    m_pressGlobalPosition = event->globalPosition();
    m_pressWindowPosition = window()->pos();
    m_dragging = false;
    m_pressedButton = buttonAt(event->position());
    m_pressedOutsideButtons = m_pressedButton < 0;
}

void FloatingPanelView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressedOutsideButtons || !(event->buttons() & Qt::LeftButton))
        return;
    if (!m_dragging) {
        if ((event->position() - m_pressPosition).manhattanLength() < QApplication::startDragDistance())
            return;
        m_dragging = true;
        // The window manager moves the window; it takes the pointer over, and
        // this view sees no release.
        QWindow* handle = window()->windowHandle();
        if (handle && handle->startSystemMove()) {
            m_pressedOutsideButtons = false;
            return;
        }
    }
    // Without window-manager help, follow the pointer ourselves.
    const QPointF delta = event->globalPosition() - m_pressGlobalPosition;
    window()->move(m_pressWindowPosition + delta.toPoint());
}

void FloatingPanelView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int pressed = std::exchange(m_pressedButton, -1);
    const bool outside = std::exchange(m_pressedOutsideButtons, false);
    if (pressed >= 0) {
        if (buttonAt(event->position()) == pressed)
            m_buttons[size_t(pressed)].tap();
        return;
    }
    if (outside && !std::exchange(m_dragging, false))
        tapAt(event->position());
}
