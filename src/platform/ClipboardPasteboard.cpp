#include "platform/ClipboardPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>

void ClipboardPasteboard::setImage(const QImage& image)
{
    QGuiApplication::clipboard()->setImage(image);
}

const QMimeData* ClipboardPasteboard::mimeData() const
{
    return QGuiApplication::clipboard()->mimeData();
}
