#include "X11Session.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>

namespace {

constexpr int helperReadyTimeoutMs = 10000;

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPtr<Reply> owned(Reply* reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

void endProcess(QProcess& process, int graceMs)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(graceMs)) {
        process.kill();
        process.waitForFinished(graceMs);
    }
}

} // namespace

struct X11Session::Connection {
    explicit Connection(const QString& display)
        : connection(xcb_connect(display.toLocal8Bit().constData(), &screenNumber))
    {
    }
    ~Connection() { xcb_disconnect(connection); }

    [[nodiscard]] bool ok() const { return xcb_connection_has_error(connection) == 0; }

    xcb_atom_t atom(const QString& name) const
    {
        const QByteArray latin = name.toLatin1();
        auto reply = owned(xcb_intern_atom_reply(connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(latin.size()), latin.constData()), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    // The first 32-bit value of a property, or 0.
    quint32 cardinal(XWindow window, const QString& property, xcb_atom_t type) const
    {
        auto reply = owned(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, atom(property), type, 0, 1), nullptr));
        if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
            return 0;
        return *static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    }

    xcb_connection_t* connection;
    int screenNumber = 0;
};

X11Session::X11Session(X11SessionOptions options)
    : m_options(options)
    , m_home(std::make_unique<QTemporaryDir>())
{
}

X11Session::~X11Session()
{
    if (m_app)
        endProcess(*m_app, 2000);
    for (auto helper = m_helpers.rbegin(); helper != m_helpers.rend(); ++helper)
        endProcess(*helper->process, 2000);
    m_connection.reset();
    if (m_xserver)
        endProcess(*m_xserver, 3000);
}

bool X11Session::xvfbAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty();
}

QString X11Session::scrapwickPath()
{
    return QStringLiteral(SCRAPWICK_BINARY);
}

bool X11Session::fail(const QString& message)
{
    m_lastError = message;
    return false;
}

bool X11Session::start()
{
    if (!m_home->isValid())
        return fail(QStringLiteral("cannot create a temporary folder"));
    return startXServer() && (!m_options.windowManager || startWindowManager())
        && (!m_options.compositor || startCompositor()) && (!m_options.trayHost || startTrayHost());
}

bool X11Session::startWindowManager()
{
    return startHelper(
        QStringLiteral("openbox"), QStringLiteral("openbox"), { QStringLiteral("--sm-disable") }, [this] {
            return m_connection->cardinal(rootWindow(), QStringLiteral("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW)
                != 0;
        });
}

bool X11Session::startCompositor()
{
    return startHelper(QStringLiteral("picom"), QStringLiteral("picom"),
        { QStringLiteral("--backend"), QStringLiteral("xrender") },
        [this] { return selectionOwner(QStringLiteral("_NET_WM_CM_S%1").arg(m_connection->screenNumber)) != 0; });
}

bool X11Session::startTrayHost()
{
    const QStringList arguments { QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
        QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
        QStringLiteral("24"), QStringLiteral("--transparent"), QStringLiteral("false") };
    return startHelper(QStringLiteral("trayer"), QStringLiteral("trayer"), arguments,
        [this] { return selectionOwner(QStringLiteral("_NET_SYSTEM_TRAY_S%1").arg(m_connection->screenNumber)) != 0; });
}

bool X11Session::startXServer()
{
    // Xvfb chooses a free display itself and writes its number to this pipe.
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return fail(QStringLiteral("cannot create a pipe for Xvfb"));
    fcntl(pipeEnds[1], F_SETFD, 0); // the write end is inherited by Xvfb

    m_xserver = std::make_unique<QProcess>();
    m_xserver->setProcessChannelMode(QProcess::MergedChannels);
    const QString screen = QStringLiteral("%1x%2x%3")
                               .arg(m_options.screenSize.width())
                               .arg(m_options.screenSize.height())
                               .arg(m_options.depth);
    m_xserver->start(QStringLiteral("Xvfb"),
        { QStringLiteral("-displayfd"), QString::number(pipeEnds[1]), QStringLiteral("-screen"), QStringLiteral("0"),
            screen, QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset") });
    const bool started = m_xserver->waitForStarted(5000);
    ::close(pipeEnds[1]);
    if (!started) {
        ::close(pipeEnds[0]);
        return fail(QStringLiteral("Xvfb did not start: ") + m_xserver->errorString());
    }

    QByteArray number;
    QDeadlineTimer deadline(helperReadyTimeoutMs);
    while (!number.endsWith('\n') && !deadline.hasExpired()) {
        pollfd readable { pipeEnds[0], POLLIN, 0 };
        if (poll(&readable, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            break;
        char buffer[16];
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got <= 0)
            break; // Xvfb closed the pipe without a number: it failed
        number.append(buffer, got);
    }
    ::close(pipeEnds[0]);
    if (!number.endsWith('\n'))
        return fail(QStringLiteral("Xvfb reported no display: ") + QString::fromLocal8Bit(m_xserver->readAll()));

    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    m_connection = std::make_unique<Connection>(m_display);
    if (!m_connection->ok())
        return fail(QStringLiteral("cannot connect to Xvfb on ") + m_display);
    return true;
}

bool X11Session::startHelper(
    const QString& name, const QString& program, const QStringList& arguments, const std::function<bool()>& ready)
{
    if (!m_connection)
        return fail(QStringLiteral("start the X server before ") + name);
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setProcessEnvironment(environment());
    process->start(program, arguments);
    if (!process->waitForStarted(5000))
        return fail(name + QStringLiteral(" did not start: ") + process->errorString());
    QProcess& running = *process;
    m_helpers.push_back({ name, std::move(process) });
    const bool isReady
        = waitUntil([&] { return running.state() == QProcess::NotRunning || ready(); }, helperReadyTimeoutMs);
    if (running.state() == QProcess::NotRunning)
        return fail(name + QStringLiteral(" exited early: ") + QString::fromLocal8Bit(running.readAll()));
    if (!isReady)
        return fail(name + QStringLiteral(" did not become ready within the time limit"));
    return true;
}

QProcessEnvironment X11Session::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("XAUTHORITY"));
    // The tests themselves run offscreen; Qt programs started here must not.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // Keep helpers and the app off any session bus of the machine running the
    // tests: a desktop's StatusNotifier host would take the tray icon away from
    // the session's own tray.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
        QStringLiteral("unix:path=") + m_home->filePath(QStringLiteral("no-bus")));
    return environment;
}

QString X11Session::dataHome() const
{
    return m_home->filePath(QStringLiteral("data"));
}

QString X11Session::configHome() const
{
    return m_home->filePath(QStringLiteral("config"));
}

bool X11Session::launchApp(const QStringList& arguments, const QProcessEnvironment& extraEnvironment)
{
    if (m_display.isEmpty())
        return fail(QStringLiteral("the session was not started"));
    const QString runtimeDir = m_home->filePath(QStringLiteral("runtime"));
    for (const QString& folder : { dataHome(), configHome(), runtimeDir }) {
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("cannot create ") + folder);
    }
    QFile::setPermissions(runtimeDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QProcessEnvironment environment = this->environment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    environment.insert(extraEnvironment);

    m_app = std::make_unique<QProcess>();
    m_appOutput.clear();
    m_app->setProcessEnvironment(environment);
    m_app->start(scrapwickPath(), arguments);
    if (!m_app->waitForStarted(5000))
        return fail(QStringLiteral("scrapwick did not start: ") + m_app->errorString());
    return true;
}

qint64 X11Session::appPid() const
{
    return m_app ? m_app->processId() : 0;
}

void X11Session::collectAppOutput()
{
    if (m_app)
        m_appOutput.append(m_app->readAllStandardOutput());
}

QStringList X11Session::appOutputLines()
{
    collectAppOutput();
    QStringList lines = QString::fromUtf8(m_appOutput).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool X11Session::waitForAppLine(const QString& line, int timeoutMs)
{
    return waitUntil([&] { return appOutputLines().contains(line); }, timeoutMs);
}

void X11Session::stopApp(int timeoutMs)
{
    if (m_app) {
        endProcess(*m_app, timeoutMs);
        collectAppOutput();
    }
}

QString X11Session::diagnostics()
{
    QString text = QStringLiteral("display %1\n").arg(m_display);
    if (m_xserver)
        text += QStringLiteral("[Xvfb] ") + QString::fromLocal8Bit(m_xserver->readAll()) + QLatin1Char('\n');
    for (const Helper& helper : m_helpers)
        text += QStringLiteral("[%1] ").arg(helper.name) + QString::fromLocal8Bit(helper.process->readAll())
            + QLatin1Char('\n');
    if (m_app) {
        text += QStringLiteral("[scrapwick stdout] ") + appOutputLines().join(QLatin1Char('\n')) + QLatin1Char('\n');
        text += QStringLiteral("[scrapwick stderr] ") + QString::fromLocal8Bit(m_app->readAllStandardError());
    }
    return text;
}

CommandResult X11Session::run(
    const QString& program, const QStringList& arguments, int timeoutMs, const QByteArray& input) const
{
    CommandResult result;
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) {
        result.errors = process.errorString();
        return result;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        result.errors = QStringLiteral("timed out: ") + QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

CommandResult X11Session::xdotool(const QStringList& arguments) const
{
    return run(QStringLiteral("xdotool"), arguments);
}

CommandResult X11Session::xwininfo(const QStringList& arguments) const
{
    return run(QStringLiteral("xwininfo"), arguments);
}

CommandResult X11Session::xprop(const QStringList& arguments) const
{
    return run(QStringLiteral("xprop"), arguments);
}

CommandResult X11Session::xclip(const QStringList& arguments) const
{
    return run(QStringLiteral("xclip"), arguments);
}

bool X11Session::clickAt(QPoint position, int button) const
{
    return xdotool({ QStringLiteral("mousemove"), QString::number(position.x()), QString::number(position.y()),
                       QStringLiteral("click"), QString::number(button) })
        .succeeded();
}

bool X11Session::pressKeys(const QStringList& keys) const
{
    return xdotool(QStringList { QStringLiteral("key") } + keys).succeeded();
}

bool X11Session::typeText(const QString& text) const
{
    return xdotool({ QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), text }).succeeded();
}

QString X11Session::focusedWindowName() const
{
    return xdotool({ QStringLiteral("getwindowfocus"), QStringLiteral("getwindowname") }).output.trimmed();
}

bool X11Session::waitUntil(const std::function<bool()>& condition, int timeoutMs, int pollMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (true) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, pollMs);
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(static_cast<unsigned long>(pollMs));
    }
}

XWindow X11Session::rootWindow() const
{
    if (!m_connection)
        return 0;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection->connection));
    for (int i = 0; i < m_connection->screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    return screens.rem ? screens.data->root : 0;
}

XWindow X11Session::selectionOwner(const QString& selection) const
{
    if (!m_connection)
        return 0;
    xcb_connection_t* c = m_connection->connection;
    auto reply
        = owned(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_connection->atom(selection)), nullptr));
    return reply ? reply->owner : 0;
}

XWindow X11Session::parentOf(XWindow window) const
{
    if (!m_connection)
        return 0;
    xcb_connection_t* c = m_connection->connection;
    auto reply = owned(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    return reply ? reply->parent : 0;
}

QList<XWindow> X11Session::childrenOf(XWindow window) const
{
    QList<XWindow> children;
    if (!m_connection)
        return children;
    xcb_connection_t* c = m_connection->connection;
    auto reply = owned(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!reply)
        return children;
    const xcb_window_t* first = xcb_query_tree_children(reply.get());
    const int count = xcb_query_tree_children_length(reply.get());
    for (int i = 0; i < count; ++i)
        children.append(first[i]);
    return children;
}

qint64 X11Session::windowPid(XWindow window) const
{
    return m_connection ? m_connection->cardinal(window, QStringLiteral("_NET_WM_PID"), XCB_ATOM_CARDINAL) : 0;
}

QList<XWindow> X11Session::windowsOfProcess(qint64 pid) const
{
    QList<XWindow> found;
    QList<XWindow> pending = childrenOf(rootWindow());
    while (!pending.isEmpty()) {
        const XWindow window = pending.takeLast();
        if (windowPid(window) == pid)
            found.append(window);
        pending.append(childrenOf(window));
    }
    return found;
}

bool X11Session::isInside(XWindow window, XWindow ancestor) const
{
    const XWindow root = rootWindow();
    for (XWindow current = parentOf(window); current != 0 && current != root; current = parentOf(current)) {
        if (current == ancestor)
            return true;
    }
    return false;
}

QString X11Session::windowName(XWindow window) const
{
    if (!m_connection)
        return {};
    xcb_connection_t* c = m_connection->connection;
    auto reply = owned(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr));
    if (!reply || reply->format != 8)
        return {};
    return QString::fromUtf8(
        static_cast<const char*>(xcb_get_property_value(reply.get())), xcb_get_property_value_length(reply.get()));
}

bool X11Session::isViewable(XWindow window) const
{
    if (!m_connection)
        return false;
    xcb_connection_t* c = m_connection->connection;
    auto reply = owned(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

qint64 X11Session::trayHostPid() const
{
    for (const Helper& helper : m_helpers) {
        if (helper.name == QLatin1String("trayer"))
            return helper.process->processId();
    }
    return 0;
}

XWindow X11Session::appTrayIconWindow() const
{
    const qint64 trayPid = trayHostPid();
    if (trayPid == 0 || appPid() == 0)
        return 0;
    const XWindow root = rootWindow();
    // An embedded icon is reparented into the tray host's panel, so one of the
    // app's windows then has an ancestor that belongs to the tray host.
    for (const XWindow window : windowsOfProcess(appPid())) {
        for (XWindow ancestor = parentOf(window); ancestor != 0 && ancestor != root; ancestor = parentOf(ancestor)) {
            if (windowPid(ancestor) == trayPid || windowName(ancestor) == QLatin1String("trayer"))
                return window;
        }
    }
    return 0;
}

bool X11Session::appHasTrayIcon() const
{
    return appTrayIconWindow() != 0;
}

QRect X11Session::screenGeometry(XWindow window) const
{
    if (!m_connection)
        return {};
    xcb_connection_t* c = m_connection->connection;
    auto geometry = owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    auto origin
        = owned(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, rootWindow(), 0, 0), nullptr));
    if (!geometry || !origin)
        return {};
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

QList<XWindow> X11Session::viewableTopLevelsOfApp() const
{
    QList<XWindow> found;
    const QList<XWindow> appWindows = windowsOfProcess(appPid());
    const XWindow root = rootWindow();
    for (const XWindow window : appWindows) {
        // Managed windows sit in a window-manager frame; menus and other
        // override-redirect windows sit directly on the root.
        const XWindow parent = parentOf(window);
        const bool topLevel = parent == root || windowPid(parent) != appPid();
        if (topLevel && isViewable(window) && window != appTrayIconWindow())
            found.append(window);
    }
    return found;
}
