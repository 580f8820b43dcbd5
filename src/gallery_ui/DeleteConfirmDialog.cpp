#include "gallery_ui/DeleteConfirmDialog.h"

#include "ui/Checkbox.h"
#include "ui/ConfirmationDialogFrame.h"
#include "ui/ScrapwickDialogButtonStyle.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

DeleteConfirmDialog::DeleteConfirmDialog(const Theme& theme, std::function<void()> onCancel,
    std::function<void()> onDelete, std::function<void(bool)> onDontShowAgainChanged, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DeleteConfirmDialog"));
    auto* frame = new ConfirmationDialogFrame(theme, this);
    m_frame = frame;
    QVBoxLayout* column = frame->contentLayout();

    m_message = new QLabel(frame);
    QFont messageFont = theme.font(FontRole::chicago, 14);
    messageFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.06);
    m_message->setFont(messageFont);
    m_message->setAlignment(Qt::AlignCenter);
    QPalette ink = m_message->palette();
    ink.setColor(QPalette::WindowText, theme.palette().ink);
    m_message->setPalette(ink);

    m_dontShowAgain = new Checkbox(theme, QStringLiteral("Don't ask me again"), 13, 6, 0, frame);
    connect(
        m_dontShowAgain, &Checkbox::toggled, this, [onDontShowAgainChanged](bool on) { onDontShowAgainChanged(on); });

    auto* cancel = new ScrapwickDialogButton(theme, QStringLiteral("Cancel"), frame);
    auto* remove = new ScrapwickDialogButton(theme, QStringLiteral("Delete"), frame);
    connect(cancel, &QAbstractButton::clicked, this, [onCancel] { onCancel(); });
    connect(remove, &QAbstractButton::clicked, this, [onDelete] { onDelete(); });

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(16);
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(remove);
    buttons->addStretch();

    column->addStretch();
    column->addWidget(m_message);
    column->addStretch();
    column->addWidget(m_dontShowAgain, 0, Qt::AlignHCenter);
    column->addStretch();
    column->addLayout(buttons);
    column->addStretch();
}

QString DeleteConfirmDialog::message(int count)
{
    if (count == 1)
        return QStringLiteral("Are you sure you want to delete this image?");
    return QStringLiteral("Are you sure you want to delete %1 images?").arg(count);
}

void DeleteConfirmDialog::present(int count, bool dontShowAgain)
{
    m_message->setText(message(count));
    const QSignalBlocker quiet(m_dontShowAgain);
    m_dontShowAgain->setChecked(dontShowAgain);
    show();
    raise();
}

void DeleteConfirmDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 77)); // black at 30 %
}

void DeleteConfirmDialog::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_frame->move((width() - m_frame->width()) / 2, (height() - m_frame->height()) / 2);
}

void DeleteConfirmDialog::mousePressEvent(QMouseEvent* event)
{
    event->accept(); // the dimmed card ignores clicks
}
