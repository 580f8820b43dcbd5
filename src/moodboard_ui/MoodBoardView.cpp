#include "moodboard_ui/MoodBoardView.h"

#include "canvas/CanvasStore.h"
#include "moodboard_ui/BoardControlStates.h"
#include "moodboard_ui/CanvasExport.h"
#include "moodboard_ui/ClearConfirmDialog.h"
#include "moodboard_ui/LayerPanel.h"
#include "moodboard_ui/MoodBoardCanvasView.h"
#include "moodboard_ui/MoodBoardToolbar.h"
#include "moodboard_ui/MoodBoardViewState.h"
#include "moodboard_ui/RotateMenuItemView.h"
#include "moodboard_ui/ToastPresenter.h"
#include "moodboard_ui/ToastView.h"
#include "ui/FlashButton.h"
#include "ui/MenuItemRow.h"
#include "ui/PopupLayer.h"
#include "ui/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcut>

#include <cmath>

using namespace MoodBoardSideLayout;
using ToolbarItem = MoodBoardSideLayout::ToolbarItem;

namespace {
// The card sits one point inside the view; layouts are in card coordinates.
// Edges round to whole points the way the pop-up panels round theirs, so rows
// and buttons keep their natural pixel size and stay inside the outlines.
QRect onView(const QRectF& onCard)
{
    const QRectF r = onCard.translated(1, 1);
    return { int(std::round(r.x())), int(std::round(r.y())), int(std::round(r.width())), int(std::round(r.height())) };
}
} // namespace

MoodBoardView::MoodBoardView(const Theme& theme, MoodBoardViewState& viewState, CanvasStore& canvasStore,
    GalleryStore& galleryStore, const PlatformServices& services, std::function<void()> onClose,
    std::function<void()> onMinimize, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
    , m_viewState(viewState)
    , m_store(canvasStore)
    , m_onClose(std::move(onClose))
    , m_onMinimize(std::move(onMinimize))
    , m_canvas(new MoodBoardCanvasView(theme, viewState, canvasStore, galleryStore, this))
    , m_toolbar(new MoodBoardToolbar(theme, this))
    , m_layerPanel(new LayerPanel(theme, this))
    , m_clearButton(new FlashButton(theme, QStringLiteral("icon-clear-a"), false, this))
    , m_saveButton(new FlashButton(theme, QStringLiteral("icon-save-a"), false, this))
    , m_toasts(new ToastPresenter(this))
    , m_toastView(new ToastView(theme, *m_toasts, this))
    , m_export(new CanvasExport(
          canvasStore, galleryStore, services.filePanels, [this](const QString& text) { m_toasts->show(text); }, this))
{
    m_layerPanel->hide();
    buildPopups();

    connect(m_toolbar, &MoodBoardToolbar::triggered, this, &MoodBoardView::toolbarTriggered);
    connect(m_layerPanel, &LayerPanel::stackingClicked, this, &MoodBoardView::stackingClicked);
    connect(m_layerPanel, &LayerPanel::rowClicked, this,
        [this](const QUuid& layerId) { m_store.setSelectedLayerId(layerId); });
    connect(m_saveButton, &QAbstractButton::clicked, this, &MoodBoardView::saveClicked);
    connect(m_clearButton, &QAbstractButton::clicked, this, &MoodBoardView::clearClicked);
    for (const auto signal : { &CanvasStore::layersChanged, &CanvasStore::selectedLayerIdChanged,
             &CanvasStore::showLayerPanelChanged, &CanvasStore::historyChanged })
        connect(&canvasStore, signal, this, &MoodBoardView::refresh);

    // Escape leaves whichever pop-up is open, as menus and dialogs do.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &MoodBoardView::closePopups);
    refresh();
}

MoodBoardView::~MoodBoardView()
{
    m_viewState.onLayerScroll = nullptr;
}

void MoodBoardView::buildPopups()
{
    // A menu's layer is black at 0.1 % opacity: invisible, but it takes the click that closes it.
    m_rotateMenu = new PopupLayer(
        m_theme, QColor(0, 0, 0, 1), true, [this] { closePopups(); }, this);
    const std::array<std::function<void()>, 4> rotateActions { [this] { m_store.rotateSelectedLayer(90); },
        [this] { m_store.rotateSelectedLayer(-90); }, [this] { m_store.flipSelectedLayerHorizontally(); },
        [this] { m_store.flipSelectedLayerVertically(); } };
    for (int index = 0; index < int(rotateRows.size()); ++index) {
        auto* row = new RotateMenuItemView(m_theme, QString::fromLatin1(rotateRows[index]), m_rotateMenu);
        connect(row, &QAbstractButton::clicked, this, [this, action = rotateActions[index]] {
            action();
            closePopups();
        });
        m_rotateRows.append(row);
    }

    m_saveMenu = new PopupLayer(
        m_theme, QColor(0, 0, 0, 1), true, [this] { closePopups(); }, this);
    const std::array<std::function<void()>, 3> saveActions { [this] { m_export->download(); },
        [this] { m_export->saveToCollages(); }, [] {} };
    for (int index = 0; index < int(saveRows.size()); ++index) {
        auto* row = new MenuItemRow(m_theme, QString::fromLatin1(saveRows[index]), 11, 10, saveRowH, m_saveMenu);
        connect(row, &QAbstractButton::clicked, this, [this, action = saveActions[index]] {
            // The menu closes first, whatever the action leads to.
            closePopups();
            action();
        });
        m_saveRows.append(row);
    }

    m_clearConfirm = new PopupLayer(
        m_theme, QColor(0, 0, 0, 77), false, [this] { closePopups(); }, this);
    m_clearDialog = new ClearConfirmDialog(
        m_theme, [this] { closePopups(); },
        [this] {
            m_store.clearCanvas();
            closePopups();
        },
        m_clearConfirm);
}

bool MoodBoardView::isRotateMenuOpen() const
{
    return m_rotateMenu->isVisible();
}

bool MoodBoardView::isSaveMenuOpen() const
{
    return m_saveMenu->isVisible();
}

bool MoodBoardView::isClearConfirmOpen() const
{
    return m_clearConfirm->isVisible();
}

void MoodBoardView::toolbarTriggered(ToolbarItem item)
{
    switch (item) {
    case ToolbarItem::copy:
        m_store.duplicateSelectedLayer();
        break;
    case ToolbarItem::layerOrder: {
        const bool show = !m_store.showLayerPanel();
        if (show)
            m_layerPanel->setScrollOffset(0);
        m_store.setShowLayerPanel(show);
        break;
    }
    case ToolbarItem::rotate:
        if (isRotateMenuOpen())
            closePopups();
        else
            openPopup(*m_rotateMenu);
        break;
    case ToolbarItem::remove:
        if (const std::optional<QUuid> selected = m_store.selectedLayerId())
            m_store.deleteLayer(*selected);
        break;
    case ToolbarItem::undo:
        m_store.undo();
        break;
    case ToolbarItem::redo:
        m_store.redo();
        break;
    }
}

void MoodBoardView::stackingClicked(int index)
{
    if (!m_store.selectedLayerId())
        return;
    switch (index) {
    case 0:
        m_store.bringSelectedLayerForward();
        break;
    case 1:
        m_store.sendSelectedLayerBackward();
        break;
    case 2:
        m_store.bringSelectedLayerToFront();
        break;
    case 3:
        m_store.sendSelectedLayerToBack();
        break;
    }
}

void MoodBoardView::saveClicked()
{
    if (m_store.layers().isEmpty()) {
        m_toasts->show(QStringLiteral("Canvas is empty. Nothing to export."));
        return;
    }
    openPopup(*m_saveMenu);
}

void MoodBoardView::clearClicked()
{
    if (m_store.layers().isEmpty())
        return;
    openPopup(*m_clearConfirm);
}

void MoodBoardView::openPopup(PopupLayer& popup)
{
    popup.show();
    popup.raise();
    refresh();
}

void MoodBoardView::closePopups()
{
    m_rotateMenu->hide();
    m_saveMenu->hide();
    m_clearConfirm->hide();
    refresh();
}

void MoodBoardView::refresh()
{
    BoardControlInputs inputs;
    inputs.layerCount = m_store.layers().size();
    inputs.hasSelection = m_store.selectedLayerId().has_value();
    inputs.canUndo = !m_store.undoStack().isEmpty();
    inputs.canRedo = !m_store.redoStack().isEmpty();
    inputs.layerPanelShown = m_store.showLayerPanel();
    inputs.rotateMenuOpen = isRotateMenuOpen();
    m_toolbar->setStates(toolbarStates(inputs));

    QList<LayerPanel::Row> rows;
    for (const Layer& layer : layersTopFirst(m_store.layers()))
        rows.append({ layer.id, layer.name });
    m_layerPanel->setRows(rows, m_store.selectedLayerId());
    m_layerPanel->setStackingEnabled(stackingButtonsEnabled(inputs));
    m_layerPanel->setVisible(inputs.layerPanelShown);

    m_saveButton->setAssetName(isSaveMenuOpen() ? QStringLiteral("icon-save-b") : QStringLiteral("icon-save-a"));
    m_clearButton->setAssetName(isClearConfirmOpen() ? QStringLiteral("icon-clear-b") : QStringLiteral("icon-clear-a"));
}

void MoodBoardView::resizeEvent(QResizeEvent*)
{
    relayout();
}

void MoodBoardView::relayout()
{
    const QSizeF card(width() - 2, height() - 2);
    m_canvas->setCardSize(card);
    m_toolbar->setGeometry(onView(toolbarRect()));
    m_layerPanel->setGeometry(onView(layerPanelRect()));
    m_clearButton->setGeometry(onView(clearButtonRect(card.height())));
    m_saveButton->setGeometry(onView(saveButtonRect(card.height())));
    m_toastView->setCentre(toastCentre(card) + QPointF(1, 1));

    for (PopupLayer* popup : { m_rotateMenu, m_saveMenu, m_clearConfirm })
        popup->setGeometry(rect());
    m_rotateMenu->setPopupRect(rotateMenuRect().translated(1, 1));
    for (int index = 0; index < m_rotateRows.size(); ++index)
        m_rotateRows[index]->setGeometry(onView(rotateMenuRow(index)));
    m_saveMenu->setPopupRect(saveMenuRect(card.height()).translated(1, 1));
    for (int index = 0; index < m_saveRows.size(); ++index)
        m_saveRows[index]->setGeometry(onView(saveMenuRow(index, card.height())));
    const QRectF dialog = clearDialogRect(card).translated(1, 1);
    m_clearConfirm->setPopupRect(dialog);
    m_clearDialog->move(dialog.topLeft().toPoint());
}

void MoodBoardView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (std::exchange(m_shownBefore, true))
        return;
    m_viewState.onLayerScroll = [panel = QPointer(m_layerPanel)](double steps) {
        if (panel)
            panel->scrollBy(steps * wheelStepPoints);
    };
}

WindowTitleBar::Button MoodBoardView::buttonAt(QPointF point) const
{
    return WindowTitleBar::buttonAt(TitleBarStyle::moodBoard(), width() - 2, point - QPointF(1, 1));
}

void MoodBoardView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const ThemePalette& palette = m_theme.palette();
    const qreal cardWidth = width() - 2;
    const qreal cardHeight = height() - 2;
    painter.fillRect(rect(), palette.ink);
    painter.translate(1, 1);
    painter.fillRect(QRectF(0, 0, cardWidth, cardHeight), palette.paper);
    WindowTitleBar::paint(painter, m_theme, TitleBarStyle::moodBoard(), cardWidth);
    // The rule under the bar, centred on y 28.5, and the card's own border.
    painter.fillRect(QRectF(0, WindowTitleBar::height, cardWidth, 1), palette.ink);
    painter.setPen(QPen(palette.ink, 1));
    painter.drawRect(QRectF(0.5, 0.5, cardWidth - 1, cardHeight - 1));
}

void MoodBoardView::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton ? buttonAt(event->position()) : WindowTitleBar::Button::none;
}

void MoodBoardView::mouseReleaseEvent(QMouseEvent* event)
{
    const WindowTitleBar::Button pressed = std::exchange(m_pressed, WindowTitleBar::Button::none);
    if (event->button() != Qt::LeftButton || pressed == WindowTitleBar::Button::none
        || buttonAt(event->position()) != pressed)
        return;
    if (pressed == WindowTitleBar::Button::close)
        m_onClose();
    else
        m_onMinimize();
}
