#pragma once

#include "platform/UserDefaults.h"

#include <QSettings>

// Preferences in ~/.config/Scrapwick/Scrapwick.conf (honours XDG_CONFIG_HOME).
class SettingsUserDefaults final : public UserDefaults {
public:
    SettingsUserDefaults();

    [[nodiscard]] QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;

private:
    QSettings m_settings;
};
