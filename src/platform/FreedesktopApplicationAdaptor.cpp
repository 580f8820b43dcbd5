#include "platform/FreedesktopApplicationAdaptor.h"

FreedesktopApplicationAdaptor::FreedesktopApplicationAdaptor(
    QObject* carrier, std::function<void(const ApplicationCall&)> receive)
    : QDBusAbstractAdaptor(carrier)
    , m_receive(std::move(receive))
{
}

void FreedesktopApplicationAdaptor::Activate(const QVariantMap& platform_data)
{
    ApplicationCall call = ApplicationCall::activate();
    call.platformData = platform_data;
    m_receive(call);
}

void FreedesktopApplicationAdaptor::Open(const QStringList& uris, const QVariantMap& platform_data)
{
    ApplicationCall call = ApplicationCall::open(uris);
    call.platformData = platform_data;
    m_receive(call);
}

void FreedesktopApplicationAdaptor::ActivateAction(
    const QString& action_name, const QVariantList& parameter, const QVariantMap& platform_data)
{
    ApplicationCall call = ApplicationCall::action(action_name);
    call.parameter = parameter;
    call.platformData = platform_data;
    m_receive(call);
}
