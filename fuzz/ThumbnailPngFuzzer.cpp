// The gallery's and the board's thumbnail decoder on PNG files (libspng, row by
// row, with the Exif orientation): whatever the file, no fault, no unbounded
// allocation, and a thumbnail within the size asked for.

#include "FuzzCheck.h"

#include "gallery/ThumbnailDecoder.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Every input takes the PNG path: the signature is put in front when missing.
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    QByteArray bytes = fuzzBytes(data, size);
    if (!bytes.startsWith(signature))
        bytes.prepend(signature);
    // The gallery asks for 360, the board for whatever its zoom needs.
    const int maxPixel = 1 + int(size % 400);
    if (const auto image = ThumbnailDecoder::thumbnail(bytes, maxPixel)) {
        FUZZ_CHECK(!image->isNull() && std::max(image->width(), image->height()) <= maxPixel);
        FUZZ_CHECK(image->format() == QImage::Format_ARGB32_Premultiplied);
    }
    return 0;
}
