#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// File changes that are whole and lasting: a reader never sees half a file, and
// a change reported done survives a power cut, not only the program's end.
//
// Each function returns the error's description on failure, nothing on success.
namespace AtomicFile {
// Writes `data` to a temporary file beside `path`, flushes it to the disk, renames
// it over `path` and flushes the folder, so the new name is on the disk too.
// On failure `path` keeps its previous content.
[[nodiscard]] std::optional<QString> write(const QString& path, const QByteArray& data);

// Flushes a folder's own entries (names created, renamed or removed in it).
// Filesystems that cannot flush a folder count as success.
[[nodiscard]] std::optional<QString> syncFolder(const QString& folder);

// Creates `folder` and any missing folders above it, flushing the parent of each
// one created, so a file written into it later cannot outlast its folder in a
// power cut.
[[nodiscard]] std::optional<QString> makeFolders(const QString& folder);

// Removes the temporary files that writes to files matching `nameFilter` (a
// wildcard such as "*.png") left in `folder` when the program was killed before
// their rename: "<name>.XXXXXX". Only for a folder whose writer is not running.
void removeLeftovers(const QString& folder, const QString& nameFilter);
} // namespace AtomicFile
