#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace AtomicFile {
// Writes `data` to a temporary file beside `path`, then renames it over `path`,
// so a reader never sees half a file. Returns the error's description on
// failure, nothing on success.
[[nodiscard]] std::optional<QString> write(const QString& path, const QByteArray& data);
} // namespace AtomicFile
