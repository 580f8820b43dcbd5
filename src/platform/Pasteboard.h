#pragma once

#include <QImage>

// The general clipboard.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    virtual void setImage(const QImage& image) = 0;
};
