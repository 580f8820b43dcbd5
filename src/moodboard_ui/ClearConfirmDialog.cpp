#include "moodboard_ui/ClearConfirmDialog.h"

#include "moodboard_ui/MoodBoardSideLayout.h"
#include "ui/ConfirmationDialogFrame.h"
#include "ui/ScrapwickDialogButtonStyle.h"
#include "ui/Theme.h"

#include <QPainter>

using namespace MoodBoardSideLayout;

ClearConfirmDialog::ClearConfirmDialog(
    const Theme& theme, std::function<void()> onCancel, std::function<void()> onClear, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
{
    setFixedSize(int(ConfirmationDialogFrame::outerWidth), int(ConfirmationDialogFrame::outerHeight));
    auto* cancel = new ScrapwickDialogButton(theme, QStringLiteral("Cancel"), this);
    auto* clear = new ScrapwickDialogButton(theme, QStringLiteral("Clear"), this);
    cancel->move(clearDialogButton(0).topLeft().toPoint());
    clear->move(clearDialogButton(1).topLeft().toPoint());
    connect(cancel, &QAbstractButton::clicked, this, [onCancel = std::move(onCancel)] { onCancel(); });
    connect(clear, &QAbstractButton::clicked, this, [onClear = std::move(onClear)] { onClear(); });
}

void ClearConfirmDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    ConfirmationDialogFrame::paint(painter, QRectF(rect()), m_theme);
    painter.setFont(m_theme.font(FontRole::chicago, 14));
    painter.setPen(m_theme.palette().ink);
    painter.drawText(clearMessageRect(), Qt::AlignCenter, QStringLiteral("Clear canvas? This cannot be undone."));
}
