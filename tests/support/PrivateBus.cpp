#include "PrivateBus.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace {
QByteArray configuration(const QString& socketPath)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:path="
        + socketPath.toUtf8()
        + "</listen>\n"
          "  <auth>EXTERNAL</auth>\n"
          "  <policy context=\"default\">\n"
          "    <allow user=\"*\"/>\n"
          "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
          "    <allow eavesdrop=\"true\"/>\n"
          "    <allow own=\"*\"/>\n"
          "  </policy>\n"
          "</busconfig>\n";
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}
} // namespace

PrivateBus::PrivateBus(const QString& socketPath, const std::function<void(QProcess&)>& prepare)
    : m_connectionName(QString("scrapwick-private-bus-%1").arg(quintptr(this)))
{
    const QString configPath = socketPath + ".conf";
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate) || config.write(configuration(socketPath)) < 0
        || !config.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther)) {
        m_error = "cannot write " + configPath;
        return;
    }
    config.close();
    if (prepare)
        prepare(m_daemon);
    m_daemon.start("dbus-daemon", { "--config-file=" + configPath, "--nofork", "--print-address=1" });
    (void)waitUntil([&] { return m_daemon.canReadLine() || m_daemon.state() == QProcess::NotRunning; }, 15000);
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) {
        m_error = "dbus-daemon gave no address: " + m_daemon.errorString() + ' '
            + QString::fromLocal8Bit(m_daemon.readAllStandardError());
        return;
    }
    const QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_connectionName);
    if (!bus.isConnected()) {
        m_error = "cannot connect to the bus: " + bus.lastError().message();
        m_address.clear();
    }
}

PrivateBus::~PrivateBus()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(2000))
        m_daemon.kill();
    m_daemon.waitForFinished(2000);
}

QDBusConnection PrivateBus::connection() const
{
    return QDBusConnection(m_connectionName);
}

bool PrivateBus::has(const QString& service) const
{
    const QDBusConnection bus = connection();
    return bus.isConnected() && bus.interface()->isServiceRegistered(service).value();
}

bool PrivateBus::waitFor(const QString& service, const QProcess* process, int timeoutMs) const
{
    return waitUntil([&] { return has(service) || (process && process->state() == QProcess::NotRunning); }, timeoutMs)
        && has(service);
}
