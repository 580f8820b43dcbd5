#include "moodboard_ui/MoodBoardWindow.h"

#include "moodboard_ui/MoodBoardWindowGeometry.h"

#include <QKeyEvent>
#include <QWindow>

MoodBoardWindow::MoodBoardWindow(QWidget* parent)
    : BorderlessResizableWindow(QStringLiteral("MoodBoard"), MoodBoardWindowGeometry::window, parent)
{
    setObjectName(QStringLiteral("MoodBoardWindow"));
}

bool MoodBoardWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const std::optional<QString> command = MoodBoardWindowGeometry::keyCommand(key->key(), key->modifiers());
        if (command && onKeyCommand) {
            onKeyCommand(*command);
            return true;
        }
        // The Ctrl letters are the board's even while nobody listens; Delete
        // and Backspace then go on to the focused widget.
        return command && *command != QStringLiteral("delete");
    }
    return BorderlessResizableWindow::eventFilter(watched, event);
}
