#include "platform/NotificationCenter.h"

#include "platform/CommandNames.h"

#include <QMetaType>

#include <algorithm>

NotificationCenter::NotificationCenter(QObject* parent)
    : QObject(parent)
{
}

void NotificationCenter::addObserver(const QObject* observer, const QString& name, Handler handler)
{
    m_registrations.push_back({ m_nextSerial++, observer, name, std::move(handler) });
    watchLifetime(observer);
}

void NotificationCenter::removeObserver(const QObject* observer, const QString& name)
{
    std::erase_if(m_registrations, [&](const Registration& r) { return r.observer == observer && r.name == name; });
}

void NotificationCenter::removeObserver(const QObject* observer)
{
    std::erase_if(m_registrations, [&](const Registration& r) { return r.observer == observer; });
    if (auto watch = m_lifetimeWatches.take(observer))
        disconnect(watch);
}

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo)
{
    // Handlers may add or remove observers (or post again) while we deliver, so
    // walk a list of serials taken now and skip any registration that has gone.
    std::vector<quint64> targets;
    for (const auto& r : m_registrations) {
        if (r.name == name)
            targets.push_back(r.serial);
    }
    for (quint64 serial : targets) {
        auto it = std::find_if(m_registrations.begin(), m_registrations.end(),
            [serial](const Registration& r) { return r.serial == serial; });
        if (it == m_registrations.end())
            continue;
        Handler handler = it->handler; // the handler may remove its own registration
        handler(userInfo);
    }
}

std::optional<bool> NotificationCenter::isOpen(const QVariantMap& userInfo)
{
    const auto it = userInfo.constFind(CommandNames::isOpenKey);
    if (it == userInfo.constEnd() || it->metaType().id() != QMetaType::Bool)
        return std::nullopt;
    return it->toBool();
}

void NotificationCenter::watchLifetime(const QObject* observer)
{
    if (!observer || m_lifetimeWatches.contains(observer))
        return;
    m_lifetimeWatches.insert(observer, connect(observer, &QObject::destroyed, this, [this, observer] {
        m_lifetimeWatches.remove(observer);
        std::erase_if(m_registrations, [&](const Registration& r) { return r.observer == observer; });
    }));
}
