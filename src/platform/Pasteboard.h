#pragma once

#include <QImage>

class QMimeData;

// The general clipboard.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    virtual void setImage(const QImage& image) = 0;
    // What the clipboard holds now, in every format it is offered in; null
    // when it cannot be read. Owned by the pasteboard and good until the
    // clipboard changes, so it is read at once and not kept.
    [[nodiscard]] virtual const QMimeData* mimeData() const = 0;
};
