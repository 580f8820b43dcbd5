#pragma once

#include "platform/LoginItem.h"

#include <QString>

// The XDG autostart entry $XDG_CONFIG_HOME/autostart/scrapwick.desktop
// (normally ~/.config/autostart), written to enable and removed to disable.
class XdgAutostartLoginItem final : public LoginItem {
public:
    // `autostartFolder` empty means the user's standard autostart folder.
    explicit XdgAutostartLoginItem(QString executablePath, QString autostartFolder = {});

    bool setEnabled(bool enabled) override;

    [[nodiscard]] QString entryPath() const;

private:
    QString m_executablePath;
    QString m_autostartFolder;
};
