#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

#include <functional>
#include <memory>

// A D-Bus session bus of the test's own (dbus-daemon), on which nothing is
// started on demand: whatever should answer on it, the test starts, so the
// machine's own services (a real desktop portal) never turn up. Any local
// user may connect, the test as root and a session running as another user
// alike, so the socket belongs in a folder only they can reach.
class PrivateBus {
public:
    // Listens on `socketPath`, its configuration beside it. `prepare` readies
    // the daemon's process (its user, its environment) before it starts.
    explicit PrivateBus(const QString& socketPath, const std::function<void(QProcess&)>& prepare = {});
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when the bus did not start; error() then says why.
    [[nodiscard]] QString address() const { return m_address; }
    [[nodiscard]] QString error() const { return m_error; }
    // The test's own connection to the bus.
    [[nodiscard]] QDBusConnection connection() const;
    [[nodiscard]] bool has(const QString& service) const;

private:
    QProcess m_daemon;
    QString m_address;
    QString m_error;
    QString m_connectionName;
};
