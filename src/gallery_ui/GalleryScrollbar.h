#pragma once

#include "gallery_ui/GalleryScrollbarGeometry.h"

#include <QWidget>

#include <optional>

class Theme;

// The gallery's own vertical scrollbar: arrows that step 40 points and a thumb
// that follows the pointer from where its drag began. It only shows and asks:
// the offset belongs to the gallery view, which hands it in and is told the
// new one. Being a widget of its own, a press on it never reaches the window's
// title-bar drag.
class GalleryScrollbar : public QWidget {
    Q_OBJECT

public:
    explicit GalleryScrollbar(const Theme& theme, QWidget* parent = nullptr);

    void setState(qreal contentOffset, qreal maxScroll);
    [[nodiscard]] GalleryScrollbarGeometry geometryNow() const;

Q_SIGNALS:
    void offsetRequested(qreal offset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const Theme& m_theme;
    qreal m_contentOffset = 0;
    qreal m_maxScroll = 0;
    // The offset and pointer height when the running thumb drag began.
    std::optional<qreal> m_dragStartOffset;
    qreal m_dragStartY = 0;
};
