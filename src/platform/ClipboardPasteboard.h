#pragma once

#include "platform/Pasteboard.h"

// The desktop clipboard. QClipboard::setImage offers image/png and Qt's other
// image formats, so every kind of receiving application can paste.
class ClipboardPasteboard final : public Pasteboard {
public:
    void setImage(const QImage& image) override;
    [[nodiscard]] const QMimeData* mimeData() const override;
};
