#pragma once

#include "ui/BorderlessResizableWindow.h"

#include <functional>

// The Mood Board's frameless window. Besides the shared frame handling it
// turns the board's keyboard shortcuts into command strings before any widget
// sees them; every other key goes the usual way.
class MoodBoardWindow : public BorderlessResizableWindow {
    Q_OBJECT

public:
    explicit MoodBoardWindow(QWidget* parent = nullptr);

    // Receives "undo", "redo", "duplicate", "paste" and "delete".
    std::function<void(const QString&)> onKeyCommand;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
