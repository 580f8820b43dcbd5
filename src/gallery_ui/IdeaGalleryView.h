#pragma once

#include "gallery/ImportRequest.h"
#include "gallery_ui/GalleryGridLayout.h"
#include "gallery_ui/GalleryViewFields.h"
#include "platform/PlatformServices.h"

#include <QHash>
#include <QUuid>
#include <QWidget>

#include <functional>

class CanvasStore;
class Checkbox;
class DeleteConfirmDialog;
class GalleryGridView;
class GalleryItemActions;
class GalleryMenuOverlay;
class GalleryScrollbar;
class GalleryStore;
class GalleryThumbnails;
class HoverTilt;
class IdeaGalleryViewState;
class Theme;

// Everything inside the Idea Gallery window: the black frame, the title bar,
// the section tabs and the "Select" toggle, the grid with its scrollbar, and
// the menus and confirmation that open over it. It keeps the view's fields,
// lays the grid out from the store's lists and hands input to the pieces
// that act on it. It never changes the store itself; the item actions do, and
// pictures dropped on the window go out to be imported.
class IdeaGalleryView : public QWidget {
    Q_OBJECT

public:
    IdeaGalleryView(IdeaGalleryViewState& viewState, GalleryStore& store, CanvasStore& canvasStore,
        const PlatformServices& services, const Theme& theme, std::function<void()> onClose,
        std::function<void()> onMinimize, QWidget* parent = nullptr);
    ~IdeaGalleryView() override;

    [[nodiscard]] const GalleryViewFields& fields() const { return m_fields; }
    [[nodiscard]] const GalleryGridLayout& layout() const { return m_layout; }
    [[nodiscard]] GalleryGridView* grid() const { return m_grid; }
    [[nodiscard]] GalleryScrollbar* scrollbar() const { return m_scrollbar; }
    [[nodiscard]] GalleryThumbnails& thumbnails() const { return *m_thumbnails; }
    [[nodiscard]] qreal maxOffset() const;
    // The card: the window less the 2-point strip at its right and bottom.
    [[nodiscard]] QSizeF cardSize() const;

    void setContentOffset(qreal offset);

Q_SIGNALS:
    // Files or picture data from another program were dropped on the window.
    void picturesDropped(const ImportRequest& request);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void placeChildren();
    // Lays the current section out again from the store's list and what is
    // known of the pictures' sizes.
    void relayout();
    void applyWheel(qreal delta);
    // Asks for the pictures of the cells in view and lets go of those far away.
    void refreshVisible();
    void thumbnailArrived(const QUuid& id, bool sizeChanged);
    // Brings the checkboxes, the menu and the confirmation in line with the fields.
    void syncWithFields();
    void showMenuFor(const QUuid& id);

    IdeaGalleryViewState& m_viewState;
    GalleryStore& m_store;
    const Theme& m_theme;
    std::function<void()> m_onClose;
    std::function<void()> m_onMinimize;

    GalleryViewFields m_fields;
    GalleryGridLayout m_layout;
    QHash<QUuid, qsizetype> m_indexOfId;
    std::unique_ptr<GalleryThumbnails> m_thumbnails;
    std::unique_ptr<HoverTilt> m_hoverTilt;
    std::unique_ptr<GalleryItemActions> m_actions;

    QList<Checkbox*> m_tabs;
    Checkbox* m_selectToggle = nullptr;
    GalleryGridView* m_grid = nullptr;
    GalleryScrollbar* m_scrollbar = nullptr;
    GalleryMenuOverlay* m_menu = nullptr;
    DeleteConfirmDialog* m_dialog = nullptr;
    int m_pressedTitleButton = 0;
    // Decided when a drag enters: reading a drag's text from another program
    // is a round trip to it, too slow for every move.
    bool m_dragMayHoldPictures = false;
};
