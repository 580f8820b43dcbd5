#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <optional>
#include <vector>

// A main-thread notification centre. Names are plain strings; a post delivers
// synchronously to every observer of that name, in registration order.
// An observer is tied to a QObject and is dropped automatically when that
// object is destroyed, so nobody is called after it is gone.
class NotificationCenter : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(const QVariantMap& userInfo)>;

    explicit NotificationCenter(QObject* parent = nullptr);

    void addObserver(const QObject* observer, const QString& name, Handler handler);
    void removeObserver(const QObject* observer, const QString& name);
    void removeObserver(const QObject* observer);

    void post(const QString& name, const QVariantMap& userInfo = {});

    // The "isOpen" flag of a visibility notification, or nothing when the key is
    // missing or its value is not a genuine bool (such notifications are ignored).
    [[nodiscard]] static std::optional<bool> isOpen(const QVariantMap& userInfo);

private:
    struct Registration {
        quint64 serial;
        const QObject* observer;
        QString name;
        Handler handler;
    };

    void watchLifetime(const QObject* observer);

    std::vector<Registration> m_registrations;
    QHash<const QObject*, QMetaObject::Connection> m_lifetimeWatches;
    quint64 m_nextSerial = 1;
};
