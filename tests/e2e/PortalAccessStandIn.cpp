// scrapwick-test-portal-access: org.freedesktop.impl.portal.Access for the
// Wayland test session, answering every question as a user pressing "Allow"
// would. xdg-desktop-portal 1.16 offers its Screenshot interface only when
// some backend implements Access, and the wlroots backend does not.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusObjectPath>
#include <QVariantMap>

#include <cstdio>

class AccessStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.Access")

public Q_SLOTS:
    // (The parent window, subtitle, body and options do not matter here.)
    uint AccessDialog(const QDBusObjectPath& handle, const QString& appId, const QString&, const QString& title,
        const QString&, const QString&, const QVariantMap&, QVariantMap& results)
    {
        std::printf("granted %s to \"%s\": %s\n", qPrintable(handle.path()), qPrintable(appId), qPrintable(title));
        std::fflush(stdout);
        results.clear();
        return 0; // allowed
    }
};

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    AccessStandIn access;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/freedesktop/portal/desktop", &access, QDBusConnection::ExportAllSlots)
        || !bus.registerService("org.freedesktop.impl.portal.desktop.scrapwicktest")) {
        std::fprintf(stderr, "cannot serve on the session bus: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    return QCoreApplication::exec();
}

#include "PortalAccessStandIn.moc"
