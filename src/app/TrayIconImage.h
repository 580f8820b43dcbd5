#pragma once

#include <QIcon>

namespace TrayIconImage {
// The "icon-menubar" artwork when the program carries it as a resource;
// otherwise a plain lasso loop drawn in black, so the tray never shows an
// empty square. Either way it is monochrome: only its alpha matters.
[[nodiscard]] QIcon load();
} // namespace TrayIconImage
