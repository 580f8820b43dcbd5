#pragma once

#include "platform/ApplicationCall.h"

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

// org.freedesktop.Application on the object that carries it: what desktop
// launchers call for a D-Bus-activatable application, and what a second start
// of Scrapwick calls. Each call becomes an ApplicationCall for `receive`; what
// it means is for the application to decide.
class FreedesktopApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    FreedesktopApplicationAdaptor(QObject* carrier, std::function<void(const ApplicationCall&)> receive);

public Q_SLOTS:
    void Activate(const QVariantMap& platform_data);
    void Open(const QStringList& uris, const QVariantMap& platform_data);
    void ActivateAction(const QString& action_name, const QVariantList& parameter, const QVariantMap& platform_data);

private:
    std::function<void(const ApplicationCall&)> m_receive;
};
