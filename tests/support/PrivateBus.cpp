#include "PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QFile>
#include <QTest>

PrivateBus::PrivateBus(const QString& socketPath, const std::function<void(QProcess&)>& prepare)
    : m_connectionName(QString("scrapwick-private-bus-%1").arg(quintptr(this)))
{
    // Any local user may connect and own any name; nothing is started on demand.
    const QByteArray configuration = "<busconfig><type>session</type><listen>unix:path=" + socketPath.toUtf8()
        + "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
          "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
          "</policy></busconfig>\n";
    QFile config(socketPath + ".conf");
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate) || config.write(configuration) < 0
        || !config.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther)) {
        m_error = "cannot write " + config.fileName();
        return;
    }
    config.close();
    if (prepare)
        prepare(m_daemon);
    m_daemon.start("dbus-daemon", { "--config-file=" + config.fileName(), "--nofork", "--print-address=1" });
    (void)QTest::qWaitFor([&] { return m_daemon.canReadLine() || m_daemon.state() == QProcess::NotRunning; }, 15000);
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    const QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_connectionName);
    if (m_address.isEmpty() || !bus.isConnected()) {
        m_error = QString("no bus at \"%1\": %2 %3 %4")
                      .arg(m_address, m_daemon.errorString(), QString::fromLocal8Bit(m_daemon.readAllStandardError()),
                          bus.lastError().message());
        m_address.clear();
    }
}

PrivateBus::~PrivateBus()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(2000))
        m_daemon.kill(), m_daemon.waitForFinished(2000);
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
