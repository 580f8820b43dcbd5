#pragma once

#include <QString>

namespace StorageLocation {
// The folder that holds the gallery and the mood board:
// $XDG_DATA_HOME/Scrapwick, normally ~/.local/share/Scrapwick.
// Empty when the platform reports no data location at all.
[[nodiscard]] QString scrapwickFolder();
} // namespace StorageLocation
