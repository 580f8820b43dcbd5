#include "gallery_ui/IdeaGalleryView.h"

#include "gallery/GalleryStore.h"
#include "gallery_ui/DeleteConfirmDialog.h"
#include "gallery_ui/GalleryChrome.h"
#include "gallery_ui/GalleryGridView.h"
#include "gallery_ui/GalleryItemActions.h"
#include "gallery_ui/GalleryListing.h"
#include "gallery_ui/GalleryMenuGeometry.h"
#include "gallery_ui/GalleryMenuOverlay.h"
#include "gallery_ui/GalleryScrollbar.h"
#include "gallery_ui/GalleryThumbnails.h"
#include "gallery_ui/HoverTilt.h"
#include "gallery_ui/IdeaGalleryViewState.h"
#include "ui/Checkbox.h"
#include "ui/Theme.h"
#include "ui/WindowTitleBar.h"

#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

QRect whole(const QRectF& rect)
{
    return QRect(int(std::lround(rect.x())), int(std::lround(rect.y())), int(std::lround(rect.width())),
        int(std::lround(rect.height())));
}

} // namespace

IdeaGalleryView::IdeaGalleryView(IdeaGalleryViewState& viewState, GalleryStore& store, CanvasStore& canvasStore,
    const PlatformServices& services, const Theme& theme, std::function<void()> onClose,
    std::function<void()> onMinimize, QWidget* parent)
    : QWidget(parent)
    , m_viewState(viewState)
    , m_store(store)
    , m_theme(theme)
    , m_onClose(std::move(onClose))
    , m_onMinimize(std::move(onMinimize))
    , m_thumbnails(std::make_unique<GalleryThumbnails>(store))
    , m_hoverTilt(std::make_unique<HoverTilt>())
    , m_actions(std::make_unique<GalleryItemActions>(store, canvasStore, services, m_fields))
{
    setObjectName(QStringLiteral("IdeaGalleryView"));
    setAcceptDrops(true);
    for (const GallerySection section : allGallerySections) {
        auto* tab = new Checkbox(theme,
            section == GallerySection::cutouts ? QStringLiteral("Cutouts") : QStringLiteral("Collages"), 14, 10, 0,
            this);
        connect(tab, &Checkbox::clicked, this, [this, section] {
            m_fields.selectSection(section);
            relayout();
            syncWithFields();
        });
        m_tabs.append(tab);
    }
    m_selectToggle = new Checkbox(theme, QStringLiteral("Select"), 14, 10, 3, this);
    connect(m_selectToggle, &Checkbox::clicked, this, [this] {
        m_fields.toggleSelectMode();
        syncWithFields();
    });

    m_grid = new GalleryGridView({ store, m_fields, m_layout, *m_thumbnails, *m_hoverTilt, viewState, theme }, this);
    connect(m_grid, &GalleryGridView::fieldsChanged, this, &IdeaGalleryView::syncWithFields);
    m_scrollbar = new GalleryScrollbar(theme, this);
    connect(m_scrollbar, &GalleryScrollbar::offsetRequested, this, &IdeaGalleryView::setContentOffset);

    m_menu = new GalleryMenuOverlay(
        theme,
        [this] {
            m_fields.closeMenu();
            syncWithFields();
        },
        this);
    m_menu->hide();
    m_dialog = new DeleteConfirmDialog(
        theme, [this] { m_actions->cancelDelete(); }, [this] { m_actions->confirmDelete(); },
        [this](bool on) { m_fields.dontShowAgain = on; }, this);
    m_dialog->hide();

    connect(m_actions.get(), &GalleryItemActions::fieldsChanged, this, &IdeaGalleryView::syncWithFields);
    connect(m_thumbnails.get(), &GalleryThumbnails::thumbnailArrived, this, &IdeaGalleryView::thumbnailArrived);
    connect(m_hoverTilt.get(), &HoverTilt::changed, m_grid, qOverload<>(&QWidget::update));
    connect(&store, &GalleryStore::cutoutsChanged, this, [this] {
        if (m_fields.selectedSection == GallerySection::cutouts)
            relayout();
        syncWithFields();
    });
    connect(&store, &GalleryStore::collagesChanged, this, [this] {
        if (m_fields.selectedSection == GallerySection::collages)
            relayout();
        syncWithFields();
    });
    connect(&viewState, &IdeaGalleryViewState::pendingScrollDeltaChanged, this, &IdeaGalleryView::applyWheel);

    resize(601, 472);
    relayout();
    syncWithFields();
}

IdeaGalleryView::~IdeaGalleryView() = default;

QSizeF IdeaGalleryView::cardSize() const
{
    return GalleryChrome::cardSize(QSizeF(size()));
}

qreal IdeaGalleryView::maxOffset() const
{
    return GalleryGridLayout::maxOffset(m_fields.contentHeight, GalleryChrome::forCard(cardSize()).viewportHeight());
}

void IdeaGalleryView::setContentOffset(qreal offset)
{
    const qreal clamped = std::clamp(offset, 0.0, maxOffset());
    if (clamped == m_fields.contentOffset)
        return;
    m_fields.contentOffset = clamped;
    m_scrollbar->setState(m_fields.contentOffset, maxOffset());
    refreshVisible();
    m_grid->update();
    if (m_menu->isVisible() && m_fields.contextMenuItemId)
        showMenuFor(*m_fields.contextMenuItemId);
}

void IdeaGalleryView::applyWheel(qreal delta)
{
    if (delta == 0)
        return;
    setContentOffset(GalleryGridLayout::offsetAfterWheel(m_fields.contentOffset, delta, maxOffset()));
    m_viewState.setPendingScrollDelta(0);
}

void IdeaGalleryView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeChildren();
    relayout();
    syncWithFields();
}

void IdeaGalleryView::placeChildren()
{
    const GalleryChrome chrome = GalleryChrome::forCard(cardSize());
    qreal x = GalleryChrome::tabLeading;
    for (Checkbox* tab : m_tabs) {
        const QSize hint = tab->sizeHint();
        const qreal top = GalleryChrome::tabRowTop + (GalleryChrome::tabRowHeight - hint.height()) / 2;
        tab->setGeometry(whole(QRectF(x, top, hint.width(), hint.height())));
        x += hint.width() + GalleryChrome::tabSpacing;
    }
    const QSize toggle = m_selectToggle->sizeHint();
    m_selectToggle->setGeometry(whole(QRectF(chrome.width - GalleryChrome::toggleTrailing - toggle.width(),
        GalleryChrome::toggleTop, toggle.width(), GalleryChrome::toggleHeight)));
    m_grid->setGeometry(whole(chrome.gridArea()));
    m_grid->setOriginInCard(m_grid->geometry().topLeft());
    m_scrollbar->setGeometry(whole(chrome.scrollbar()));
    const QRect card(QPoint(0, 0), cardSize().toSize());
    m_menu->setGeometry(card);
    m_dialog->setGeometry(card);
}

void IdeaGalleryView::relayout()
{
    const GallerySection section = m_fields.selectedSection;
    const qsizetype count = GalleryListing::count(m_store, section);
    QList<qreal> heights;
    heights.reserve(count);
    m_indexOfId.clear();
    m_indexOfId.reserve(count);
    for (qsizetype index = 0; index < count; ++index) {
        const QUuid id = GalleryListing::idAt(m_store, section, index);
        m_indexOfId.insert(id, index);
        heights.append(GalleryGridLayout::cellSize(m_thumbnails->imageSize(id)).height());
    }
    m_layout.rebuild(cardSize().width(), heights);
    m_fields.contentHeight = m_layout.contentHeight();
    // Content that shrank (items deleted, a narrower picture) pulls the offset back.
    m_fields.contentOffset = std::clamp(m_fields.contentOffset, 0.0, maxOffset());
    m_scrollbar->setState(m_fields.contentOffset, maxOffset());
    refreshVisible();
    m_grid->update();
}

void IdeaGalleryView::refreshVisible()
{
    const qreal ratio = devicePixelRatioF();
    const auto [first, last] = m_grid->visibleItems();
    for (qsizetype index = first; index < last; ++index)
        m_thumbnails->request(m_grid->idAt(index), ratio);
    // Pictures within one screen above or below stay, so scrolling back and
    // forth a little does not ask again.
    const qreal viewport = m_grid->height();
    const auto [keepFirst, keepLast]
        = m_layout.itemsBetween(m_fields.contentOffset - viewport, m_fields.contentOffset + 2 * viewport);
    QSet<QUuid> kept;
    for (qsizetype index = keepFirst; index < keepLast; ++index)
        kept.insert(m_grid->idAt(index));
    m_thumbnails->keepOnly(kept);
}

void IdeaGalleryView::thumbnailArrived(const QUuid& id, bool sizeChanged)
{
    const auto found = m_indexOfId.constFind(id);
    if (found == m_indexOfId.cend())
        return;
    if (sizeChanged) {
        m_layout.setCellHeight(*found, GalleryGridLayout::cellSize(m_thumbnails->imageSize(id)).height());
        if (m_layout.contentHeight() != m_fields.contentHeight) {
            m_fields.contentHeight = m_layout.contentHeight();
            m_fields.contentOffset = std::clamp(m_fields.contentOffset, 0.0, maxOffset());
            m_scrollbar->setState(m_fields.contentOffset, maxOffset());
        }
    }
    m_grid->update();
}

void IdeaGalleryView::syncWithFields()
{
    for (qsizetype i = 0; i < m_tabs.size(); ++i)
        m_tabs[i]->setChecked(allGallerySections[i] == m_fields.selectedSection);
    m_selectToggle->setChecked(m_fields.isSelectMode);

    if (m_fields.contextMenuItemId && m_indexOfId.contains(*m_fields.contextMenuItemId))
        showMenuFor(*m_fields.contextMenuItemId);
    else
        m_menu->hide();

    if (m_fields.isConfirmingDelete())
        m_dialog->present(
            m_fields.showBatchDeleteConfirm ? int(m_fields.selectedItemIDs.size()) : 1, m_fields.dontShowAgain);
    else
        m_dialog->hide();
    m_grid->update();
}

void IdeaGalleryView::showMenuFor(const QUuid& id)
{
    const qsizetype index = m_indexOfId.value(id);
    const GallerySection section = m_fields.selectedSection;
    const bool cutouts = section == GallerySection::cutouts;
    QList<GalleryMenuOverlay::Row> rows;
    if (m_fields.isSelectMode) {
        const bool empty = m_fields.selectedItemIDs.isEmpty();
        rows.append({ QStringLiteral("Download"), empty, [this] { m_actions->downloadSelection(); } });
        if (cutouts)
            rows.append(
                { QStringLiteral("Add to MoodBoard"), empty, [this] { m_actions->addSelectionToMoodBoard(); } });
        rows.append({ QStringLiteral("Delete"), empty, [this] { m_actions->requestDeleteSelection(); } });
    } else {
        rows.append({ QStringLiteral("Copy"), false, [this, id] { m_actions->copy(id); } });
        rows.append({ QStringLiteral("Download"), false, [this, id] { m_actions->download(id); } });
        if (cutouts)
            rows.append({ QStringLiteral("Add to MoodBoard"), false, [this, id] { m_actions->addToMoodBoard(id); } });
        rows.append({ QStringLiteral("Delete"), false, [this, id] { m_actions->requestDelete(id); } });
    }
    const qreal height = GalleryMenuGeometry::menuHeight(m_fields.isSelectMode, section);
    m_menu->showMenu(rows, GalleryMenuGeometry::menuRect(m_grid->cellFrameInCard(index), height, cardSize()));
    if (m_dialog->isVisible())
        m_dialog->raise();
}

void IdeaGalleryView::paintEvent(QPaintEvent*)
{
    const ThemePalette& palette = m_theme.palette();
    const QSizeF card = cardSize();
    const GalleryChrome chrome = GalleryChrome::forCard(card);
    QPainter painter(this);
    // The black window shows only as a 2-point strip along the right and
    // bottom; the card's outline draws the top and left edges.
    painter.fillRect(rect(), palette.ink);
    painter.fillRect(QRectF(QPointF(0, 0), card), palette.paper);
    WindowTitleBar::paint(painter, m_theme, TitleBarStyle::ideaGallery(), card.width());
    painter.fillRect(chrome.ruleRect(GalleryChrome::titleBarHeight), palette.ink);
    painter.fillRect(chrome.ruleRect(GalleryChrome::firstRuleTop), palette.ink);
    painter.fillRect(chrome.ruleRect(GalleryChrome::secondRuleTop), palette.ink);
    // The outline around grid and scrollbar lies just outside them.
    painter.setPen(QPen(palette.ink, 1));
    painter.drawRect(whole(chrome.gridBox()).adjusted(-1, -1, 0, 0));
    painter.drawLine(QPointF(0, 0.5), QPointF(card.width(), 0.5));
    painter.drawLine(QPointF(0.5, 0), QPointF(0.5, card.height()));
}

void IdeaGalleryView::mousePressEvent(QMouseEvent* event)
{
    const auto button = WindowTitleBar::buttonAt(TitleBarStyle::ideaGallery(), cardSize().width(), event->position());
    m_pressedTitleButton = event->button() == Qt::LeftButton ? int(button) : 0;
}

void IdeaGalleryView::mouseReleaseEvent(QMouseEvent* event)
{
    const int pressed = std::exchange(m_pressedTitleButton, 0);
    const auto button = WindowTitleBar::buttonAt(TitleBarStyle::ideaGallery(), cardSize().width(), event->position());
    if (event->button() != Qt::LeftButton || pressed == 0 || int(button) != pressed)
        return;
    if (button == WindowTitleBar::Button::minimize)
        m_onMinimize();
    else if (button == WindowTitleBar::Button::close)
        m_onClose();
}

void IdeaGalleryView::dragEnterEvent(QDragEnterEvent* event)
{
    // The gallery's own cells dragged back over it are refused: they are here already.
    m_dragMayHoldPictures = ImportRequest::mayHoldPictures(*event->mimeData());
    if (m_dragMayHoldPictures)
        event->acceptProposedAction();
}

void IdeaGalleryView::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_dragMayHoldPictures)
        event->acceptProposedAction();
}

void IdeaGalleryView::dropEvent(QDropEvent* event)
{
    ImportRequest request = ImportRequest::fromMimeData(*event->mimeData(), QStringLiteral("dropped image"));
    if (request.isEmpty())
        return;
    event->acceptProposedAction();
    Q_EMIT picturesDropped(request);
}
