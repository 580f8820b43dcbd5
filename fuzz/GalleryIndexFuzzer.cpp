// gallery-index.json as read at start: whatever the file holds, decoding never
// misbehaves, and an index that was accepted is written back as one that reads
// back to the same items, so a readable index never becomes unreadable.

#include "FuzzCheck.h"

#include "gallery/GalleryIndex.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto entries = GalleryIndex::decode(fuzzBytes(data, size));
    if (!entries)
        return 0;
    const GalleryLists lists = GalleryIndex::itemsFrom(*entries);
    const QList<IndexEntry> written = GalleryIndex::entriesFor(lists.cutouts, lists.collages);
    const auto reread = GalleryIndex::decode(GalleryIndex::encode(written));
    FUZZ_CHECK(reread && reread->size() == written.size());
    for (qsizetype i = 0; i < written.size(); ++i) {
        FUZZ_CHECK((*reread)[i].id == written[i].id && (*reread)[i].section == written[i].section);
        // Seconds with a fraction: beyond 2^53 ms a date may move by a millisecond.
        FUZZ_CHECK(std::llabs((*reread)[i].createdAt.msecsTo(written[i].createdAt)) <= 1);
    }
    return 0;
}
