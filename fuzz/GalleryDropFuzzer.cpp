// The plain text of a drop on the board or the gallery ("<item id>:<section>",
// what the gallery's own drag carries): any text gives nothing or a drop of a
// known section whose canonical form reads back as the same drop.

#include "FuzzCheck.h"

#include "gallery/GalleryDrop.h"
#include "platform/Uuids.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto drop = parseGalleryDrop(QString::fromUtf8(fuzzBytes(data, size)));
    if (!drop)
        return 0;
    FUZZ_CHECK(drop->section == QLatin1String("cutouts") || drop->section == QLatin1String("collages"));
    const auto again = parseGalleryDrop(Uuids::canonicalText(drop->itemId) + QLatin1Char(':') + drop->section);
    FUZZ_CHECK(again && again->itemId == drop->itemId && again->section == drop->section);
    return 0;
}
