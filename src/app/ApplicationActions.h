#pragma once

#include <QString>

// The actions Scrapwick offers through org.freedesktop.Application's
// ActivateAction. The desktop file's actions carry the same ids, so that a
// launcher can call them directly.
namespace ApplicationActions {
inline const QString crop = QStringLiteral("crop");
inline const QString gallery = QStringLiteral("gallery");
inline const QString moodBoard = QStringLiteral("moodboard");
inline const QString quit = QStringLiteral("quit");
} // namespace ApplicationActions
