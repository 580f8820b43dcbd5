#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

// One call of org.freedesktop.Application as plain values: what a second start
// hands to the running instance, and what the running instance receives from
// it, from the desktop's launcher or from any other program on the bus.
struct ApplicationCall {
    enum class Method { activate, open, activateAction };

    Method method = Method::activate;
    QStringList uris; // open
    QString actionName; // activateAction
    QVariantList parameter; // activateAction: none, or one value
    QVariantMap platformData;

    [[nodiscard]] static ApplicationCall activate() { return {}; }
    [[nodiscard]] static ApplicationCall open(const QStringList& uris) { return { Method::open, uris, {}, {}, {} }; }
    [[nodiscard]] static ApplicationCall action(const QString& name)
    {
        return { Method::activateAction, {}, name, {}, {} };
    }

    friend bool operator==(const ApplicationCall&, const ApplicationCall&) = default;
};
