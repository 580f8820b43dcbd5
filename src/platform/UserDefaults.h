#pragma once

#include <QString>
#include <QVariant>

// The user's preferences, by key. Keys keep their dotted names
// ("shapeRecognition.enabled", "gallery.suppressDeleteConfirmation").
class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    [[nodiscard]] virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;

    // A key never written reads as false.
    [[nodiscard]] bool boolForKey(const QString& key) const;
    void setBool(const QString& key, bool value) { setValue(key, value); }
};

// Keeps values in memory only: for tests, and for anything that must not touch
// the user's real settings.
class MemoryUserDefaults final : public UserDefaults {
public:
    [[nodiscard]] QVariant value(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) override { m_values.insert(key, value); }

private:
    QVariantMap m_values;
};
