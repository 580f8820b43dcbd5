#include "moodboard_ui/ClearConfirmDialog.h"

#include "moodboard_ui/MoodBoardSideLayout.h"
#include "ui/ConfirmationDialogFrame.h"
#include "ui/ScrapwickDialogButtonStyle.h"
#include "ui/Theme.h"

#include <QPainter>

using namespace MoodBoardSideLayout;

namespace {
// The dialog's own coordinates: the layout functions place it on a card, so
// ask them for any card and measure from the dialog's corner.
constexpr QSizeF anyCard { 800, 400 };
QRectF inDialog(const QRectF& onCard)
{
    return onCard.translated(-clearDialogRect(anyCard).topLeft());
}
} // namespace

ClearConfirmDialog::ClearConfirmDialog(
    const Theme& theme, std::function<void()> onCancel, std::function<void()> onClear, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
{
    setFixedSize(int(outerW), int(outerH));
    auto* cancel = new ScrapwickDialogButton(theme, QStringLiteral("Cancel"), this);
    auto* clear = new ScrapwickDialogButton(theme, QStringLiteral("Clear"), this);
    cancel->move(inDialog(clearDialogButton(0, anyCard)).topLeft().toPoint());
    clear->move(inDialog(clearDialogButton(1, anyCard)).topLeft().toPoint());
    connect(cancel, &QAbstractButton::clicked, this, [onCancel = std::move(onCancel)] { onCancel(); });
    connect(clear, &QAbstractButton::clicked, this, [onClear = std::move(onClear)] { onClear(); });
}

void ClearConfirmDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    ConfirmationDialogFrame::paint(painter, QRectF(rect()), m_theme);
    painter.setFont(m_theme.font(FontRole::chicago, 14));
    painter.setPen(m_theme.palette().ink);
    painter.drawText(
        inDialog(clearMessageRect(anyCard)), Qt::AlignCenter, QStringLiteral("Clear canvas? This cannot be undone."));
}
