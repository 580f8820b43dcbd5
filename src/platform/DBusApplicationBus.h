#pragma once

#include "platform/ApplicationBus.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>

#include <memory>

// The session bus as the meeting point: the name io.github.scrapwick.Scrapwick
// and org.freedesktop.Application at /io/github/scrapwick/Scrapwick. QtDBus
// reads and writes the bus on a thread of its own; the calls reach the handler
// on the thread that made this object, through its event loop. Needs a
// QCoreApplication, not a display.
class DBusApplicationBus final : public ApplicationBus {
public:
    // The session bus, or for tests a connection to a bus of their own.
    explicit DBusApplicationBus(const QDBusConnection& connection = QDBusConnection::sessionBus());
    // Gives the name back (if the application has not quit already).
    ~DBusApplicationBus() override;

    DBusApplicationBus(const DBusApplicationBus&) = delete;
    DBusApplicationBus& operator=(const DBusApplicationBus&) = delete;

    [[nodiscard]] Result claim() override;
    [[nodiscard]] Result forward(const ApplicationCall& call) override;
    void setCallHandler(CallHandler handler) override;

private:
    [[nodiscard]] Result noBus() const;
    void receive(const ApplicationCall& call);
    // Gives the name back and stops answering. Done as soon as the application
    // quits, so that a start right after finds the name free instead of an
    // instance that no longer answers. The release is a round trip on the same
    // connection, so every answer sent before it has left by then.
    void withdraw();

    QDBusConnection m_connection;
    // Carries the adaptor; exported before the name is taken, so that nobody
    // can find the name without the object behind it.
    std::unique_ptr<QObject> m_exported;
    bool m_exportedOnBus = false;
    bool m_ownsName = false;
    CallHandler m_handler;
    QList<ApplicationCall> m_waiting;
};
