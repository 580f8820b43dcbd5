#pragma once

#include <QString>
#include <QUuid>

#include <optional>

namespace Uuids {
// 36 characters, upper-case hexadecimal in groups of 8-4-4-4-12, no braces:
// the form written in files and used in file names.
[[nodiscard]] QString canonicalText(const QUuid& id);

// Accepts only the 8-4-4-4-12 hexadecimal form (either case, no braces, no
// surrounding space). Anything else, such as "../../x", yields nothing, so text
// read from a file never reaches a path unless it is a real identifier.
[[nodiscard]] std::optional<QUuid> parseStrict(const QString& text);
} // namespace Uuids
