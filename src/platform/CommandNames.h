#pragma once

#include <QString>

// Names of the notifications that carry commands between windows. Windows never
// call each other: they post these, and the application controller answers.
namespace CommandNames {
inline const QString enterCropMode = QStringLiteral("enterCropMode");
inline const QString exitCropMode = QStringLiteral("exitCropMode");
inline const QString toggleIdeaGallery = QStringLiteral("toggleIdeaGallery");
inline const QString toggleMoodBoard = QStringLiteral("toggleMoodBoard");
inline const QString cropDidComplete = QStringLiteral("cropDidComplete");
inline const QString galleryVisibilityChanged = QStringLiteral("galleryVisibilityChanged");
inline const QString moodBoardVisibilityChanged = QStringLiteral("moodBoardVisibilityChanged");

// User-info key of the two visibility notifications; its value is a bool.
inline const QString isOpenKey = QStringLiteral("isOpen");
} // namespace CommandNames
