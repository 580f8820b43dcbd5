#include "platform/DBusApplicationBus.h"

#include "platform/ApplicationId.h"
#include "platform/FreedesktopApplicationAdaptor.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

namespace {

const QString applicationInterface = QStringLiteral("org.freedesktop.Application");
// A running instance answers within one turn of its event loop; this only
// bounds the wait for one that hangs.
constexpr int forwardTimeoutMs = 10000;

QDBusMessage callMessage(const ApplicationCall& call)
{
    switch (call.method) {
    case ApplicationCall::Method::activate: {
        QDBusMessage message
            = QDBusMessage::createMethodCall(applicationId, applicationObjectPath, applicationInterface, "Activate");
        return message << call.platformData;
    }
    case ApplicationCall::Method::open: {
        QDBusMessage message
            = QDBusMessage::createMethodCall(applicationId, applicationObjectPath, applicationInterface, "Open");
        return message << call.uris << call.platformData;
    }
    case ApplicationCall::Method::activateAction: {
        QDBusMessage message = QDBusMessage::createMethodCall(
            applicationId, applicationObjectPath, applicationInterface, "ActivateAction");
        // A QVariantList travels as "av", each value in a variant of its own.
        return message << call.actionName << QVariant(call.parameter) << call.platformData;
    }
    }
    return {};
}

} // namespace

DBusApplicationBus::DBusApplicationBus(const QDBusConnection& connection)
    : m_connection(connection)
{
}

DBusApplicationBus::~DBusApplicationBus()
{
    withdraw();
}

ApplicationBus::Result DBusApplicationBus::noBus() const
{
    const QString why = m_connection.lastError().message();
    return { Status::noBus,
        why.isEmpty() ? QStringLiteral("no session bus") : QStringLiteral("no session bus: ") + why };
}

ApplicationBus::Result DBusApplicationBus::claim()
{
    if (!m_connection.isConnected())
        return noBus();
    if (!m_exported) {
        m_exported = std::make_unique<QObject>();
        new FreedesktopApplicationAdaptor(m_exported.get(), [this](const ApplicationCall& call) { receive(call); });
        if (!m_connection.registerObject(applicationObjectPath, m_exported.get(), QDBusConnection::ExportAdaptors)) {
            m_exported.reset();
            return { Status::failed, QStringLiteral("cannot export ") + applicationObjectPath };
        }
        m_exportedOnBus = true;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = m_connection.interface()->registerService(
        applicationId, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_ownsName = true;
        QObject::connect(
            QCoreApplication::instance(), &QCoreApplication::aboutToQuit, m_exported.get(), [this] { withdraw(); });
        return {};
    }
    // The object must not stay up without the name: the winner answers.
    withdraw();
    m_exported.reset();
    if (!reply.isValid())
        return m_connection.isConnected() ? Result { Status::failed, reply.error().message() } : noBus();
    return { Status::taken, {} };
}

ApplicationBus::Result DBusApplicationBus::forward(const ApplicationCall& call)
{
    if (!m_connection.isConnected())
        return noBus();
    QDBusMessage message = callMessage(call);
    // A bus that starts Scrapwick on demand would start it only to hand it this
    // call; the caller decides whether to start one.
    message.setAutoStartService(false);
    const QDBusMessage reply = m_connection.call(message, QDBus::Block, forwardTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {};
    const QDBusError::ErrorType error = QDBusError(reply).type();
    if (!m_connection.isConnected())
        return noBus();
    // No answer because the holder ended meanwhile counts as nobody there.
    if (error == QDBusError::ServiceUnknown
        || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")
        || (error == QDBusError::NoReply && !m_connection.interface()->isServiceRegistered(applicationId)))
        return { Status::notRunning, {} };
    return { Status::failed, reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage() };
}

void DBusApplicationBus::setCallHandler(CallHandler handler)
{
    m_handler = std::move(handler);
    const QList<ApplicationCall> waiting = std::exchange(m_waiting, {});
    for (const ApplicationCall& call : waiting)
        m_handler(call);
}

void DBusApplicationBus::receive(const ApplicationCall& call)
{
    if (m_handler)
        m_handler(call);
    else
        m_waiting.append(call);
}

void DBusApplicationBus::withdraw()
{
    if (m_ownsName && m_connection.isConnected())
        (void)m_connection.interface()->unregisterService(applicationId);
    m_ownsName = false;
    if (m_exportedOnBus && m_connection.isConnected())
        m_connection.unregisterObject(applicationObjectPath);
    m_exportedOnBus = false;
    // The carrier itself stays until the end: this may run in one of its own slots.
}
