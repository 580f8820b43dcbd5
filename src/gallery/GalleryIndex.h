#pragma once

#include "gallery/GalleryItems.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// One record of "gallery-index.json". The field order is the key order in the
// file: "id", "createdAt", "section".
struct IndexEntry {
    QUuid id;
    QDateTime createdAt;
    // "cutouts" or "collages" when written; when read, whatever the file says
    // (old files say "moodboards" for collages).
    QString section;
};

// Both gallery lists, newest first, as read from an index.
struct GalleryLists {
    QList<ClipItem> cutouts;
    QList<CollageItem> collages;
};

// The gallery index: a pretty-printed JSON array of entries, every cut-out
// first, then every collage, each in list order.
namespace GalleryIndex {

// Dates are stored as seconds since 2001-01-01 00:00:00 UTC, with fraction.
[[nodiscard]] double referenceSeconds(const QDateTime& date);
// Nothing for a number too large to be a date.
[[nodiscard]] std::optional<QDateTime> dateFromReferenceSeconds(double seconds);

// The index snapshot of the two lists: the section comes from the list an item is in.
[[nodiscard]] QList<IndexEntry> entriesFor(const QList<ClipItem>& cutouts, const QList<CollageItem>& collages);

[[nodiscard]] QByteArray encode(const QList<IndexEntry>& entries);

// Strict: text that is not JSON, a top level that is not an array, or any entry
// that lacks a key, has a value of the wrong type or an id that is not a
// canonical UUID makes the whole index unreadable (nothing).
[[nodiscard]] std::optional<QList<IndexEntry>> decode(const QByteArray& json);

// Entries become items without image data, in file order within each list.
// "moodboards" is the old name of the collage section; unknown sections are skipped.
[[nodiscard]] GalleryLists itemsFrom(const QList<IndexEntry>& entries);

} // namespace GalleryIndex
