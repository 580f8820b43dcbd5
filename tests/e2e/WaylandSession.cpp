#include "WaylandSession.h"

#include <QDBusInterface>
#include <QDir>
#include <QStandardPaths>
#include <QTest>

#include <numeric>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString portalDaemon = "/usr/libexec/xdg-desktop-portal";
const QString wlrPortal = "/usr/libexec/xdg-desktop-portal-wlr";
const QString wlrPortalFile = "/usr/share/xdg-desktop-portal/portals/wlr.portal";
// For files the test writes and the session's user reads.
constexpr QFile::Permissions readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size()
        && file.setPermissions(readable);
}

} // namespace

WaylandSession::WaylandSession(QList<QSize> outputs)
    : m_outputs(std::move(outputs))
{
}

WaylandSession::~WaylandSession()
{
    for (auto process = m_processes.rbegin(); process != m_processes.rend(); ++process)
        endProcess(**process);
}

QString WaylandSession::unavailableReason()
{
    for (const char* program : { "sway", "swaybg", "grim", "Xwayland", "xhost", "dbus-daemon", "pipewire" })
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
    m_user = SessionUser::obtain();
    if (!m_user)
        return fail("cannot make the session's user with useradd");
    bool made = m_folder.isValid() && m_user->own(m_folder.path(), 0755);
    for (const char* folder : { "runtime", "home", "portals" })
        made = made && QDir(m_folder.path()).mkpath(folder) && m_user->own(filePath(folder), 0700);
    if (!made)
        return fail("cannot make the session's folders in " + m_folder.path());
    // XWayland's socket goes into /tmp/.X11-unix. Made by sway's user it would
    // shut out every other user's X server; it belongs to all, with the sticky bit.
    if (geteuid() == 0 && !QFile::exists("/tmp/.X11-unix")
        && (::mkdir("/tmp/.X11-unix", 01777) != 0 || ::chmod("/tmp/.X11-unix", 01777) != 0))
        return fail("cannot make /tmp/.X11-unix");
    return startSway() && startPortal();
}

QProcessEnvironment WaylandSession::environment() const
{
    // Nothing of the test machine's own desktop leaks in.
    const std::pair<const char*, QString> variables[] = { { "PATH", qEnvironmentVariable("PATH", "/usr/bin:/bin") },
        { "LANG", "C.UTF-8" }, { "HOME", filePath("home") }, { "XDG_RUNTIME_DIR", filePath("runtime") },
        { "XDG_CONFIG_HOME", filePath("home/config") }, { "XDG_CACHE_HOME", filePath("home/cache") },
        { "XDG_SESSION_TYPE", "wayland" }, { "XDG_CURRENT_DESKTOP", "sway" }, { "WAYLAND_DISPLAY", m_waylandDisplay },
        { "DISPLAY", m_xDisplay }, { "DBUS_SESSION_BUS_ADDRESS", m_bus ? m_bus->address() : QString() } };
    QProcessEnvironment environment;
    for (const auto& [name, value] : variables)
        if (!value.isEmpty())
            environment.insert(QString::fromLatin1(name), value);
    return environment;
}

bool WaylandSession::launch(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment, const std::function<bool()>& ready)
{
    const QProcess& process
        = *m_processes.emplace_back(startProcess(program, arguments, environment, &*m_user, filePath("home")));
    return waitWhileRunning(process, ready, 15000) || fail(program + " did not start");
}

bool WaylandSession::startSway()
{
    // Once sway runs, a program it starts lets the test's user into XWayland
    // (which takes local clients of its own user only), then writes down where
    // to find it all.
    const QString ready = filePath("home/ready");
    QString configuration
        = "xwayland force\ndefault_border none\ndefault_floating_border none\nfocus_follows_mouse no\n";
    for (int i = 0; i < m_outputs.size(); ++i)
        configuration += QString::asprintf("output HEADLESS-%d resolution %dx%d position %d 0\n", i + 1,
            m_outputs[i].width(), m_outputs[i].height(), outputGeometry(i).x());
    configuration += QString("exec xhost +si:localuser:%1 && printf '%s\\n%s\\n' \"$WAYLAND_DISPLAY\" \"$DISPLAY\" "
                             "> %2.part && mv %2.part %2\n")
                         .arg(QString::fromLocal8Bit(getpwuid(geteuid())->pw_name), ready);
    QProcessEnvironment environment = this->environment();
    environment.insert("WLR_BACKENDS", "headless");
    environment.insert("WLR_HEADLESS_OUTPUTS", QString::number(m_outputs.size()));
    environment.insert("WLR_LIBINPUT_NO_DEVICES", "1");
    environment.insert("WLR_RENDERER", "pixman");
    if (!writeFile(filePath("sway.conf"), configuration.toUtf8())
        || !launch("sway", { "-c", filePath("sway.conf") }, environment, [&] { return QFile::exists(ready); }))
        return fail("sway did not start");
    QFile file(ready);
    const QStringList names
        = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n') : QStringList();
    m_waylandDisplay = names.value(0);
    m_xDisplay = names.value(1);
    return (!m_waylandDisplay.isEmpty() && !m_xDisplay.isEmpty()) || fail("sway gave no Wayland or X11 display");
}

bool WaylandSession::startPortal()
{
    m_bus = std::make_unique<PrivateBus>(filePath("runtime/bus"), [this](QProcess& daemon) {
        daemon.setProcessEnvironment(environment());
        m_user->applyTo(daemon);
    });
    if (m_bus->address().isEmpty())
        return fail(m_bus->error());
    const auto onBus = [this](const QString& name) { return [this, name] { return m_bus->has(name); }; };
    // The portal picks its backends by the desktop's name (XDG_CURRENT_DESKTOP).
    const QByteArray standInPortal = "[portal]\nDBusName=org.freedesktop.impl.portal.desktop.scrapwicktest\n"
                                     "Interfaces=org.freedesktop.impl.portal.Access;\nUseIn=sway\n";
    if (!QFile::copy(wlrPortalFile, filePath("portals/wlr.portal"))
        || !writeFile(filePath("portals/scrapwicktest.portal"), standInPortal))
        return fail("cannot write the portal files");
    QProcessEnvironment standIn = environment(), portal = environment();
    standIn.insert("QT_QPA_PLATFORM", "offscreen");
    portal.insert("XDG_DESKTOP_PORTAL_DIR", filePath("portals"));
    // The wlroots backend needs PipeWire (for screen casts) before it starts.
    if (!launch("pipewire", {}, environment(), [&] { return QFile::exists(filePath("runtime/pipewire-0")); })
        || !launch(wlrPortal, {}, environment(), onBus("org.freedesktop.impl.portal.desktop.wlr"))
        || !launch(PORTAL_ACCESS_STAND_IN, {}, standIn, onBus("org.freedesktop.impl.portal.desktop.scrapwicktest"))
        || !launch(portalDaemon, {}, portal, onBus("org.freedesktop.portal.Desktop")))
        return false;
    m_portal = m_processes.back().get();
    QDBusInterface screenshot("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
        "org.freedesktop.portal.Screenshot", m_bus->connection());
    return screenshot.isValid() || fail("xdg-desktop-portal offers no Screenshot interface");
}

QString WaylandSession::diagnostics() const
{
    QString text = QString("wayland %1, X11 %2\n").arg(m_waylandDisplay, m_xDisplay);
    for (const auto& process : m_processes)
        text += QString("[%1] %2\n").arg(process->program(), outputOf(*process).right(4000));
    return text;
}

std::unique_ptr<X11Session> WaylandSession::desktop() const
{
    // Left empty, the app picks its platform itself, as it does on a desktop;
    // its data and settings stay in the folders its X11Session makes.
    QProcessEnvironment environment = this->environment();
    environment.insert("QT_QPA_PLATFORM", QString());
    environment.remove("XDG_CONFIG_HOME");
    return std::make_unique<X11Session>(
        X11SessionOptions { .existingDisplay = m_xDisplay, .appUser = &*m_user, .appEnvironment = environment });
}

QRect WaylandSession::outputGeometry(int output) const
{
    const int x = std::accumulate(
        m_outputs.begin(), m_outputs.begin() + output, 0, [](int x, QSize size) { return x + size.width(); });
    return { QPoint(x, 0), m_outputs.value(output) };
}

CommandResult WaylandSession::run(const QString& program, const QStringList& arguments, int timeoutMs) const
{
    return finishCommand(*startProcess(program, arguments, environment(), &*m_user, filePath("home")), timeoutMs);
}

bool WaylandSession::showPicture(int output, const QImage& picture)
{
    const QString file = filePath(QString("picture-%1.png").arg(output + 1));
    const QString layout = filePath("home/layout.png");
    const QRect area(outputGeometry(output).topLeft(), picture.size());
    const auto shown = [&] {
        QFile::remove(layout);
        return run("grim", { layout }).succeeded()
            && QImage(layout).copy(area).convertToFormat(QImage::Format_RGB32)
            == picture.convertToFormat(QImage::Format_RGB32);
    };
    return (picture.save(file) && QFile::setPermissions(file, readable)
               && launch("swaybg", { "-o", QString("HEADLESS-%1").arg(output + 1), "-i", file, "-m", "center" },
                   environment(), shown))
        || fail(QString("swaybg did not show the picture on output %1").arg(output + 1));
}

bool WaylandSession::stopScreenshotPortal()
{
    endProcess(*m_portal);
    return QTest::qWaitFor([&] { return !m_bus->has("org.freedesktop.portal.Desktop"); })
        || fail("xdg-desktop-portal still holds its name");
}
