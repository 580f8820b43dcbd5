#include "platform/SettingsUserDefaults.h"

SettingsUserDefaults::SettingsUserDefaults()
    : m_settings(
        QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Scrapwick"), QStringLiteral("Scrapwick"))
{
}

QVariant SettingsUserDefaults::value(const QString& key) const
{
    return m_settings.value(key);
}

void SettingsUserDefaults::setValue(const QString& key, const QVariant& value)
{
    m_settings.setValue(key, value);
    m_settings.sync();
}
