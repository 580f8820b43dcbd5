#include "WaylandSession.h"

#include <QDBusInterface>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <xcb/xcb.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int readyTimeoutMs = 15000;
const QString portalDaemon = "/usr/libexec/xdg-desktop-portal";
const QString wlrPortal = "/usr/libexec/xdg-desktop-portal-wlr";
const QString wlrPortalFile = "/usr/share/xdg-desktop-portal/portals/wlr.portal";

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size()
        && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

} // namespace

WaylandSession::WaylandSession(WaylandSessionOptions options)
    : m_options(std::move(options))
{
}

WaylandSession::~WaylandSession()
{
    for (auto process = m_processes.rbegin(); process != m_processes.rend(); ++process)
        endProcess(**process);
    m_bus.reset();
}

QString WaylandSession::unavailableReason()
{
    for (const char* program : { "sway", "swaymsg", "swaybg", "grim", "Xwayland", "dbus-daemon", "pipewire" })
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
            return QString("%1 is not installed; scripts/install-deps installs it").arg(program);
    for (const QString& file : { portalDaemon, wlrPortal, wlrPortalFile })
        if (!QFile::exists(file))
            return file + " is missing; scripts/install-deps installs it";
    if (geteuid() == 0 && QStandardPaths::findExecutable("useradd").isEmpty())
        return "sway does not run as root, and useradd is missing to make a user for it";
    return {};
}

bool WaylandSession::fail(const QString& message)
{
    m_lastError = message + '\n' + diagnostics();
    return false;
}

bool WaylandSession::start()
{
    QString error;
    m_user = SessionUser::obtain(error);
    if (!m_user)
        return fail(error);
    bool made = m_folder.isValid() && ::chmod(QFile::encodeName(m_folder.path()).constData(), 0755) == 0;
    for (const char* folder : { "runtime", "home", "portals" })
        made = made && QDir(m_folder.path()).mkpath(folder) && (*folder == 'p' || m_user->own(filePath(folder), 0700));
    if (!made)
        return fail("cannot make the session's folders in " + m_folder.path());
    // XWayland's socket goes into /tmp/.X11-unix. Made by sway's user it would
    // shut out every other user's X server; it belongs to all, with the sticky bit.
    if (geteuid() == 0 && !QFile::exists("/tmp/.X11-unix")) {
        if (::mkdir("/tmp/.X11-unix", 01777) != 0 || ::chmod("/tmp/.X11-unix", 01777) != 0)
            return fail("cannot make /tmp/.X11-unix");
    }
    return startSway() && (!m_options.screenshotPortal || startPortal());
}

QProcessEnvironment WaylandSession::environment() const
{
    // Nothing of the test machine's own desktop leaks in.
    QProcessEnvironment environment;
    environment.insert("PATH", qEnvironmentVariable("PATH", "/usr/bin:/bin"));
    environment.insert("LANG", "C.UTF-8");
    environment.insert("HOME", filePath("home"));
    environment.insert("XDG_RUNTIME_DIR", filePath("runtime"));
    environment.insert("XDG_CONFIG_HOME", filePath("home/config"));
    environment.insert("XDG_CACHE_HOME", filePath("home/cache"));
    environment.insert("XDG_SESSION_TYPE", "wayland");
    environment.insert("XDG_CURRENT_DESKTOP", "sway");
    const std::pair<const char*, QString> known[] = { { "WAYLAND_DISPLAY", m_waylandDisplay },
        { "DISPLAY", m_xDisplay }, { "SWAYSOCK", m_swaySocket }, { "DBUS_SESSION_BUS_ADDRESS", m_busAddress } };
    for (const auto& [name, value] : known)
        if (!value.isEmpty())
            environment.insert(QString::fromLatin1(name), value);
    return environment;
}

QProcess& WaylandSession::launch(
    const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    auto& process = *m_processes.emplace_back(std::make_unique<QProcess>());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(filePath("home"));
    m_user->applyTo(process);
    process.start(program, arguments);
    return process;
}

bool WaylandSession::startSway()
{
    // Once sway runs, a program it starts writes down where to find it.
    const QString ready = filePath("home/ready");
    QByteArray configuration = "xwayland force\n"
                               "default_border none\n"
                               "default_floating_border none\n"
                               "focus_follows_mouse no\n";
    for (int i = 0; i < m_options.outputs.size(); ++i) {
        const QRect geometry = outputGeometry(i);
        configuration += QString("output HEADLESS-%1 resolution %2x%3 position %4 0\n")
                             .arg(i + 1)
                             .arg(geometry.width())
                             .arg(geometry.height())
                             .arg(geometry.x())
                             .toUtf8();
    }
    configuration += "exec printf '%s\\n%s\\n%s\\n' \"$WAYLAND_DISPLAY\" \"$DISPLAY\" \"$SWAYSOCK\" > " + ready.toUtf8()
        + ".part && mv " + ready.toUtf8() + ".part " + ready.toUtf8() + "\n";
    if (!writeFile(filePath("sway.conf"), configuration))
        return fail("cannot write sway's configuration");

    QProcessEnvironment environment = this->environment();
    environment.insert("WLR_BACKENDS", "headless");
    environment.insert("WLR_HEADLESS_OUTPUTS", QString::number(m_options.outputs.size()));
    environment.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    environment.insert("WLR_RENDERER", "pixman");
    if (!waitForFile(ready, launch("sway", { "-c", filePath("sway.conf") }, environment)))
        return false;
    QFile file(ready);
    const QStringList names
        = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n') : QStringList();
    if (names.size() < 3 || names[0].isEmpty() || names[1].isEmpty())
        return fail("sway gave no Wayland or X11 display");
    m_waylandDisplay = names[0];
    m_xDisplay = names[1];
    m_swaySocket = names[2];
    return letTheTestIn();
}

bool WaylandSession::letTheTestIn()
{
    // XWayland takes local clients of its own user only. Its user lets the
    // test's user in, so the test can look at windows and send XTEST input.
    if (m_user->isSelf())
        return true;
    bool granted = false;
    const bool acted = m_user->actAs([&] {
        xcb_connection_t* connection = xcb_connect(m_xDisplay.toLocal8Bit().constData(), nullptr);
        if (!xcb_connection_has_error(connection)) {
            static const char user[] = "localuser\0root"; // a server-interpreted address: type, NUL, value
            auto* error = xcb_request_check(connection,
                xcb_change_hosts_checked(connection, XCB_HOST_MODE_INSERT, XCB_FAMILY_SERVER_INTERPRETED,
                    sizeof user - 1, reinterpret_cast<const uint8_t*>(user)));
            granted = !error;
            std::free(error);
        }
        xcb_disconnect(connection);
    });
    return (acted && granted) || fail("cannot let the test's user into XWayland on " + m_xDisplay);
}

bool WaylandSession::startPortal()
{
    m_bus = std::make_unique<PrivateBus>(filePath("runtime/bus"), [this](QProcess& daemon) {
        daemon.setProcessEnvironment(environment());
        m_user->applyTo(daemon);
    });
    m_busAddress = m_bus->address();
    if (m_busAddress.isEmpty())
        return fail(m_bus->error());

    // The wlroots backend needs PipeWire (for screen casts) before it starts.
    if (!waitForFile(filePath("runtime/pipewire-0"), launch("pipewire", {}, environment())))
        return false;

    QProcessEnvironment standInEnvironment = environment();
    standInEnvironment.insert("QT_QPA_PLATFORM", "offscreen");
    if (!waitForBusName("org.freedesktop.impl.portal.desktop.wlr", launch(wlrPortal, {}, environment()))
        || !waitForBusName("org.freedesktop.impl.portal.desktop.scrapwicktest",
            launch(QStringLiteral(PORTAL_ACCESS_STAND_IN), {}, standInEnvironment)))
        return false;

    // The portal picks its backends by the desktop's name (XDG_CURRENT_DESKTOP).
    const QByteArray standInPortal = "[portal]\n"
                                     "DBusName=org.freedesktop.impl.portal.desktop.scrapwicktest\n"
                                     "Interfaces=org.freedesktop.impl.portal.Access;\n"
                                     "UseIn=sway\n";
    if (!QFile::copy(wlrPortalFile, filePath("portals/wlr.portal"))
        || !writeFile(filePath("portals/scrapwicktest.portal"), standInPortal))
        return fail("cannot write the portal files");
    QProcessEnvironment portalEnvironment = environment();
    portalEnvironment.insert("XDG_DESKTOP_PORTAL_DIR", filePath("portals"));
    m_portal = &launch(portalDaemon, {}, portalEnvironment);
    if (!waitForBusName("org.freedesktop.portal.Desktop", *m_portal))
        return false;
    QDBusInterface screenshot("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
        "org.freedesktop.portal.Screenshot", m_bus->connection());
    return screenshot.isValid() || fail("xdg-desktop-portal offers no Screenshot interface");
}

bool WaylandSession::waitForFile(const QString& path, const QProcess& process)
{
    return (X11Session::waitUntil(
                [&] { return QFile::exists(path) || process.state() == QProcess::NotRunning; }, readyTimeoutMs)
               && QFile::exists(path))
        || fail(process.program() + " did not start");
}

bool WaylandSession::waitForBusName(const QString& name, const QProcess& process)
{
    const bool ready = m_bus->waitFor(name, &process, readyTimeoutMs);
    if (!ready && process.state() == QProcess::NotRunning)
        return fail(process.program() + " did not run: " + process.errorString());
    return ready || fail(process.program() + " did not take " + name + " in time");
}

QString WaylandSession::diagnostics() const
{
    QString text = QString("wayland %1, X11 %2, bus %3\n").arg(m_waylandDisplay, m_xDisplay, m_busAddress);
    for (const auto& process : m_processes)
        text += QString("[%1] %2\n").arg(process->program(), QString::fromLocal8Bit(process->readAll()).right(4000));
    return text;
}

std::unique_ptr<X11Session> WaylandSession::desktop() const
{
    return std::make_unique<X11Session>(
        X11SessionOptions { .existingDisplay = m_xDisplay, .appUser = &*m_user, .appEnvironment = appEnvironment() });
}

QProcessEnvironment WaylandSession::appEnvironment() const
{
    QProcessEnvironment environment = this->environment();
    // Left empty, the app picks its platform itself, as it does on a desktop.
    environment.insert("QT_QPA_PLATFORM", QString());
    environment.remove("SWAYSOCK");
    // The app's data and settings stay in the folders its X11Session made.
    environment.remove("XDG_CONFIG_HOME");
    return environment;
}

QRect WaylandSession::outputGeometry(int output) const
{
    int x = 0;
    for (int i = 0; i < output; ++i)
        x += m_options.outputs[i].width();
    return { QPoint(x, 0), m_options.outputs.value(output) };
}

CommandResult WaylandSession::run(const QString& program, const QStringList& arguments, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setWorkingDirectory(filePath("home"));
    m_user->applyTo(process);
    process.start(program, arguments);
    return finishCommand(process, timeoutMs);
}

bool WaylandSession::showPicture(int output, const QImage& picture)
{
    const QString file = filePath(QString("picture-%1.png").arg(output + 1));
    if (!picture.save(file, "PNG") || ::chmod(QFile::encodeName(file).constData(), 0644) != 0)
        return fail("cannot write " + file);
    const QProcess& process
        = launch("swaybg", { "-o", QString("HEADLESS-%1").arg(output + 1), "-i", file, "-m", "center" }, environment());
    const QRect area(outputGeometry(output).topLeft(), picture.size());
    const QImage expected = picture.convertToFormat(QImage::Format_RGB32);
    return X11Session::waitUntil(
               [&] {
                   const QImage shown = screenshot();
                   return process.state() == QProcess::NotRunning
                       || (!shown.isNull() && shown.copy(area).convertToFormat(QImage::Format_RGB32) == expected);
               },
               readyTimeoutMs)
        && process.state() == QProcess::Running
        || fail(QString("swaybg did not show the picture on output %1").arg(output + 1));
}

QImage WaylandSession::screenshot() const
{
    const QString file = filePath("home/layout.png");
    QFile::remove(file);
    return run("grim", { file }).succeeded() ? QImage(file) : QImage();
}

bool WaylandSession::stopScreenshotPortal()
{
    if (!m_portal)
        return fail("no portal runs");
    endProcess(*m_portal);
    return X11Session::waitUntil([&] { return !m_bus->has("org.freedesktop.portal.Desktop"); })
        || fail("xdg-desktop-portal still holds its name");
}
