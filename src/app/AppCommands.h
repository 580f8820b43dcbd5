#pragma once

#include "platform/ApplicationCall.h"

#include <QStringList>

// What the application does for one call of org.freedesktop.Application.
struct AppCommand {
    enum class Kind { nothing, activate, enterCropMode, toggleIdeaGallery, toggleMoodBoard, importFiles, quit };

    Kind kind = Kind::nothing;
    QStringList paths; // importFiles: absolute local paths, in the order given
    QStringList logLines; // what the call had that is not done, one line each

    friend bool operator==(const AppCommand&, const AppCommand&) = default;
};

// Calls arrive from any program on the session bus, so their contents are
// untrusted: this only reads the values it is given (no files, no windows),
// never fails, and keeps every logged line on one line.
namespace AppCommands {
[[nodiscard]] AppCommand fromCall(const ApplicationCall& call);
} // namespace AppCommands
