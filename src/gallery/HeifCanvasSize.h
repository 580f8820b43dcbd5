#pragma once

#include <QByteArray>
#include <QSize>

#include <optional>

// The size of the picture libheif assembles for a HEIF file whose primary image
// is derived ('grid': tiles put side by side; 'iovl': images laid over a canvas),
// read from the file's own boxes (ISO/IEC 23008-12).
//
// libheif 1.15 reports such an image's size from its 'ispe' property, but
// allocates the canvas the derived image's description asks for, before
// anything compares the two: a file of a few hundred bytes can declare 12 x 9
// and be assembled at 65535 x 65535. The importer checks this size against its
// budget before decoding.
namespace HeifCanvasSize {
// Nothing when the primary image is not derived (or the file names none); an
// empty size when it is derived but its description cannot be read, which the
// importer refuses.
[[nodiscard]] std::optional<QSize> ofPrimaryImage(const QByteArray& file);
} // namespace HeifCanvasSize
