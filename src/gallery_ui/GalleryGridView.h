#pragma once

#include <QPixmap>
#include <QPointF>
#include <QUuid>
#include <QWidget>

#include <optional>

class GalleryGridLayout;
class GalleryStore;
class GalleryThumbnails;
class HoverTilt;
class IdeaGalleryViewState;
class Theme;
struct GalleryViewFields;

// The clipped grid area: paints only the rows in view, moved up by the scroll
// offset, and turns the pointer into selection, menus, marquees and drags out
// of the window. Its input changes the view's fields and says so; the layout
// and the pictures belong to the view.
class GalleryGridView : public QWidget {
    Q_OBJECT

public:
    struct Parts {
        GalleryStore& store;
        GalleryViewFields& fields;
        const GalleryGridLayout& layout;
        GalleryThumbnails& thumbnails;
        HoverTilt& hoverTilt;
        const IdeaGalleryViewState& viewState;
        const Theme& theme;
    };

    explicit GalleryGridView(Parts parts, QWidget* parent = nullptr);

    // Where this area's origin lies in the card's coordinates, in which the
    // fields keep marquee points and cell frames are compared.
    void setOriginInCard(QPointF origin) { m_originInCard = origin; }
    // The id shown at `index` of the current section.
    [[nodiscard]] QUuid idAt(qsizetype index) const;
    // The cell's frame in the card's coordinates, the scroll offset applied.
    [[nodiscard]] QRectF cellFrameInCard(qsizetype index) const;
    // The first and one-past-last items whose rows are in view.
    [[nodiscard]] std::pair<qsizetype, qsizetype> visibleItems() const;

Q_SIGNALS:
    // The selection, the marquee or the open menu changed.
    void fieldsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    [[nodiscard]] std::optional<qsizetype> itemAt(QPointF local) const;
    [[nodiscard]] QPointF toCard(QPointF local) const { return local + m_originInCard; }
    void updateHover(QPointF local);
    void finishMarquee(QPointF local);
    void startDragOut(qsizetype index);
    void paintMarquee(QPainter& painter) const;

    Parts m_parts;
    QPointF m_originInCard;
    std::optional<QPointF> m_pressPosition;
    std::optional<qsizetype> m_pressedItem;
    bool m_marqueeRunning = false;
};
