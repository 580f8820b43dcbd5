#include "X11Session.h"
#include "PrivateBus.h"
#include "SessionUser.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int readyTimeoutMs = 10000;

template <typename Reply> std::unique_ptr<Reply, decltype(&std::free)> owned(Reply* reply)
{
    return { reply, &std::free };
}

} // namespace

void endProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}

CommandResult finishCommand(QProcess& process, int timeoutMs)
{
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (process.state() != QProcess::NotRunning)
        endProcess(process);
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
    return { finished, process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        finished ? errors : process.errorString() + ' ' + errors };
}

// Xvfb serves one screen, number 0, so its root is the first.
struct X11Session::Connection {
    explicit Connection(const QString& display)
        : c(xcb_connect(display.toLocal8Bit().constData(), nullptr))
        , root(xcb_connection_has_error(c) ? 0 : xcb_setup_roots_iterator(xcb_get_setup(c)).data->root)
        , netWmPid(atom("_NET_WM_PID"))
    {
    }
    ~Connection() { xcb_disconnect(c); }

    [[nodiscard]] xcb_atom_t atom(const QByteArray& name) const
    {
        auto reply
            = owned(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.data()), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    [[nodiscard]] bool ownsSelection(const QByteArray& prefix) const
    {
        const xcb_atom_t selection = atom(prefix + '0');
        auto reply = owned(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
        return reply && reply->owner != XCB_NONE;
    }

    [[nodiscard]] xcb_window_t parent(xcb_window_t window) const
    {
        auto reply = owned(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        return reply ? reply->parent : 0;
    }

    [[nodiscard]] QList<XWindow> children(xcb_window_t window) const
    {
        auto reply = owned(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!reply)
            return {};
        const xcb_window_t* first = xcb_query_tree_children(reply.get());
        return QList<XWindow>(first, first + xcb_query_tree_children_length(reply.get()));
    }

    // The process id a window carries in _NET_WM_PID, or 0.
    [[nodiscard]] qint64 pid(xcb_window_t window) const
    {
        auto reply = owned(
            xcb_get_property_reply(c, xcb_get_property(c, 0, window, netWmPid, XCB_ATOM_CARDINAL, 0, 1), nullptr));
        if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
            return 0;
        return *static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    }

    xcb_connection_t* c;
    xcb_window_t root;
    xcb_atom_t netWmPid;
};

X11Session::X11Session(X11SessionOptions options)
    : m_options(options)
{
}

X11Session::~X11Session()
{
    if (m_app)
        endProcess(*m_app);
    for (auto helper = m_helpers.rbegin(); helper != m_helpers.rend(); ++helper)
        endProcess(**helper);
    m_connection.reset();
    if (m_xserver)
        endProcess(*m_xserver);
    m_bus.reset();
}

bool X11Session::xvfbAvailable()
{
    return !QStandardPaths::findExecutable("Xvfb").isEmpty();
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
    if (!m_options.existingDisplay.isEmpty()) {
        m_display = m_options.existingDisplay;
        m_connection = std::make_unique<Connection>(m_display);
        return !xcb_connection_has_error(m_connection->c) || fail("cannot connect to the X server on " + m_display);
    }
    if (!startBus() || !startXServer())
        return false;
    // Each helper is ready once it owns its selection on the screen.
    return (!m_options.windowManager || startHelper("openbox --sm-disable", "WM_S"))
        && (!m_options.compositor || startHelper("picom --backend xrender", "_NET_WM_CM_S"))
        && (!m_options.trayHost || startTrayHost());
}

bool X11Session::startTrayHost()
{
    return startHelper(
        "trayer --edge top --align right --widthtype request --height 24 --transparent false", "_NET_SYSTEM_TRAY_S");
}

bool X11Session::startBus()
{
    m_bus = std::make_unique<PrivateBus>(m_home.filePath("bus"));
    m_busAddress = m_bus->address();
    return !m_busAddress.isEmpty() || fail(m_bus->error());
}

qint64 X11Session::busNameOwner(const QString& name) const
{
    const QDBusConnection bus = m_bus ? m_bus->connection() : QDBusConnection(QString());
    const QDBusReply<uint> pid = bus.isConnected() ? bus.interface()->servicePid(name) : QDBusReply<uint>();
    return pid.isValid() ? pid.value() : 0;
}

bool X11Session::startXServer()
{
    // Xvfb picks a free display itself and writes its number to standard output.
    const QSize size = m_options.screenSize;
    const QString screen = QString("%1x%2x%3").arg(size.width()).arg(size.height()).arg(m_options.depth);
    m_xserver = std::make_unique<QProcess>();
    m_xserver->start("Xvfb", { "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset" });
    (void)waitUntil(
        [&] { return m_xserver->canReadLine() || m_xserver->state() == QProcess::NotRunning; }, readyTimeoutMs);
    const QByteArray number = m_xserver->readLine().trimmed();
    if (number.isEmpty())
        return fail("Xvfb reported no display: " + m_xserver->errorString() + ' '
            + QString::fromLocal8Bit(m_xserver->readAllStandardError()));
    m_display = ':' + QString::fromLatin1(number);
    m_connection = std::make_unique<Connection>(m_display);
    if (xcb_connection_has_error(m_connection->c))
        return fail("cannot connect to Xvfb on " + m_display);
    return true;
}

bool X11Session::startHelper(const QString& command, const QByteArray& selection)
{
    QStringList arguments = command.split(' ');
    const QString program = arguments.takeFirst();
    auto& process = *m_helpers.emplace_back(std::make_unique<QProcess>());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    const bool ready
        = waitUntil([&] { return process.state() == QProcess::NotRunning || m_connection->ownsSelection(selection); },
            readyTimeoutMs);
    if (process.state() == QProcess::NotRunning)
        return fail(
            program + " did not run: " + process.errorString() + ' ' + QString::fromLocal8Bit(process.readAll()));
    return ready || fail(program + " did not become ready in time");
}

QProcessEnvironment X11Session::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", m_display);
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("XDG_SESSION_TYPE", "x11");
    environment.remove("XAUTHORITY");
    // The tests run offscreen; Qt programs started here must not.
    environment.insert("QT_QPA_PLATFORM", "xcb");
    // Off any session bus of the machine: a desktop's StatusNotifier host
    // would take the tray icon away from the session's own tray, and a
    // Scrapwick the developer runs would take the test's requests.
    environment.insert(
        "DBUS_SESSION_BUS_ADDRESS", m_busAddress.isEmpty() ? "unix:path=" + m_home.filePath("no-bus") : m_busAddress);
    return environment;
}

QProcessEnvironment X11Session::appEnvironment() const
{
    QProcessEnvironment environment = this->environment();
    environment.insert("XDG_DATA_HOME", m_home.filePath("data"));
    environment.insert("XDG_CONFIG_HOME", configHome());
    environment.insert("XDG_RUNTIME_DIR", runtimeDir());
    environment.insert(m_options.appEnvironment);
    return environment;
}

bool X11Session::launchApp(
    const QProcessEnvironment& extraEnvironment, const QString& program, const QStringList& arguments)
{
    if (m_display.isEmpty())
        return fail("the session was not started");
    if (!makeAppFolders())
        return fail("cannot create the app's folders in " + m_home.path());
    m_app = std::make_unique<QProcess>();
    m_appOutput.clear();
    m_appErrors.clear();
    QProcessEnvironment environment = appEnvironment();
    environment.insert(extraEnvironment);
    m_app->setProcessEnvironment(environment);
    if (m_options.appUser)
        m_options.appUser->applyTo(*m_app);
    m_app->start(program, arguments);
    return m_app->waitForStarted(5000) || fail("scrapwick did not start: " + m_app->errorString());
}

bool X11Session::makeAppFolders() const
{
    for (const QString& folder : { m_home.filePath("data"), configHome(), runtimeDir() })
        if (!QDir().mkpath(folder))
            return false;
    if (const SessionUser* user = m_options.appUser)
        // The app's user must reach its folders; the test reads them as root.
        return user->own(m_home.path(), 0755) && user->own(m_home.filePath("data"), 0700)
            && user->own(configHome(), 0700) && user->own(runtimeDir(), 0700);
    return QFile::setPermissions(
        runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

std::unique_ptr<QProcess> X11Session::startApp(
    const QStringList& arguments, const QProcessEnvironment& extraEnvironment, const QString& workingDirectory) const
{
    // Also for a start that ends up running on its own.
    (void)makeAppFolders();
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = appEnvironment();
    environment.insert(extraEnvironment);
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(workingDirectory);
    if (m_options.appUser)
        m_options.appUser->applyTo(*process);
    process->start(scrapwickPath(), arguments);
    return process;
}

CommandResult X11Session::runApp(
    const QStringList& arguments, const QProcessEnvironment& extraEnvironment, const QString& workingDirectory) const
{
    return finishCommand(*startApp(arguments, extraEnvironment, workingDirectory), 20000);
}

QStringList X11Session::appOutputLines()
{
    if (m_app)
        m_appOutput.append(m_app->readAllStandardOutput());
    return QString::fromUtf8(m_appOutput).split('\n', Qt::SkipEmptyParts);
}

QStringList X11Session::appErrorLines()
{
    if (m_app)
        m_appErrors.append(m_app->readAllStandardError());
    return QString::fromLocal8Bit(m_appErrors).split('\n', Qt::SkipEmptyParts);
}

QString X11Session::diagnostics()
{
    QString text = QString("display %1\n").arg(m_display);
    if (m_xserver)
        text += "[Xvfb] " + QString::fromLocal8Bit(m_xserver->readAllStandardError()) + '\n';
    for (const auto& helper : m_helpers)
        text += QString("[%1] %2\n").arg(helper->program(), QString::fromLocal8Bit(helper->readAll()));
    if (m_app)
        text += QString("[scrapwick stdout] %1\n[scrapwick stderr] %2")
                    .arg(appOutputLines().join('\n'), appErrorLines().join('\n'));
    return text;
}

CommandResult X11Session::run(const QString& program, const QStringList& arguments, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    return finishCommand(process, timeoutMs);
}

CommandResult X11Session::xdotool(const QStringList& arguments) const
{
    return run("xdotool", arguments);
}

bool X11Session::click(XWindow window, QPoint inWindow, int button) const
{
    const QRect frame = screenGeometry(window);
    const QPoint at = frame.topLeft() + inWindow;
    return frame.isValid()
        && xdotool({ "mousemove", QString::number(at.x()), QString::number(at.y()), "click", QString::number(button) })
               .succeeded();
}

bool X11Session::drag(const QList<QPoint>& points) const
{
    QString steps = QString("mousemove %1 %2 mousedown 1").arg(points[0].x()).arg(points[0].y());
    for (const QPoint p : points.mid(1))
        steps += QString(" sleep 0.02 mousemove %1 %2").arg(p.x()).arg(p.y());
    return xdotool((steps + " sleep 0.1 mouseup 1").split(' ')).succeeded();
}

QImage X11Session::clipboardImage() const
{
    const CommandResult png = run("sh", { "-c", "xclip -selection clipboard -t image/png -o | base64 -w0" });
    return QImage::fromData(QByteArray::fromBase64(png.output.toLatin1()), "PNG");
}

bool X11Session::waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 25);
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(25);
    }
}

QList<XWindow> X11Session::windowsOfProcess(qint64 pid) const
{
    QList<XWindow> found;
    QList<XWindow> pending = m_connection ? m_connection->children(m_connection->root) : QList<XWindow>();
    while (!pending.isEmpty()) {
        const XWindow window = pending.takeLast();
        if (m_connection->pid(window) == pid)
            found.append(window);
        pending.append(m_connection->children(window));
    }
    return found;
}

bool X11Session::isViewable(XWindow window) const
{
    xcb_connection_t* c = m_connection->c;
    auto reply = owned(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

QRect X11Session::screenGeometry(XWindow window) const
{
    xcb_connection_t* c = m_connection->c;
    auto geometry = owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    auto origin = owned(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, m_connection->root, 0, 0), nullptr));
    return geometry && origin ? QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height) : QRect();
}

QImage X11Session::windowImage(XWindow window) const
{
    const QRect frame = screenGeometry(window);
    if (!isViewable(window) || frame.isEmpty())
        return {};
    xcb_connection_t* c = m_connection->c;
    auto image = owned(xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, frame.width(), frame.height(), ~0u), nullptr));
    // Depth 24 and the compositor's 32-bit visuals come as 32-bit words in the
    // server's byte order, which on every machine we run on is Qt's ARGB32.
    if (!image || xcb_get_image_data_length(image.get()) < frame.width() * frame.height() * 4)
        return {};
    return QImage(xcb_get_image_data(image.get()), frame.width(), frame.height(), frame.width() * 4,
        image->depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32)
        .copy();
}

int X11Session::grayAt(XWindow window, QPoint point) const
{
    const QImage image = windowImage(window);
    return image.valid(point) ? qGray(image.pixel(point)) : 128;
}

XWindow X11Session::appWindow(const std::function<bool(QRect)>& matches) const
{
    for (const XWindow window : windowsOfProcess(appPid()))
        if (isViewable(window) && matches(screenGeometry(window)))
            return window;
    return 0;
}

XWindow X11Session::waitForAppWindow(QSize size) const
{
    XWindow found = 0;
    (void)waitUntil([&] { return (found = appWindow([&](QRect frame) { return frame.size() == size; })) != 0; }, 10000);
    return found;
}

bool X11Session::appHasTrayIcon() const
{
    const auto tray = std::find_if(m_helpers.begin(), m_helpers.end(),
        [](const auto& helper) { return helper->program() == QLatin1String("trayer"); });
    if (tray == m_helpers.end() || appPid() == 0)
        return false;
    // An embedded icon is reparented into the tray host's panel.
    const xcb_window_t root = m_connection->root;
    for (const XWindow window : windowsOfProcess(appPid()))
        for (XWindow up = m_connection->parent(window); up != 0 && up != root; up = m_connection->parent(up))
            if (m_connection->pid(up) == (*tray)->processId())
                return true;
    return false;
}

bool X11Session::openMenu(XWindow window, QPoint inWindow) const
{
    const auto viewable = [&] {
        const QList<XWindow> windows = windowsOfProcess(appPid());
        return std::count_if(windows.begin(), windows.end(), [&](XWindow w) { return isViewable(w); });
    };
    const auto before = viewable();
    return click(window, inWindow, 3) && waitUntil([&] { return viewable() > before; }, 10000);
}

bool X11Session::setBackground(const QRect& area, const QByteArray& pixels) const
{
    xcb_connection_t* c = m_connection->c;
    const xcb_window_t root = m_connection->root;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const auto [width, height]
        = std::pair(uint16_t(m_options.screenSize.width()), uint16_t(m_options.screenSize.height()));
    xcb_create_pixmap(c, uint8_t(m_options.depth), pixmap, root, width, height);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    const xcb_rectangle_t whole { 0, 0, width, height };
    xcb_poly_fill_rectangle(c, pixmap, gc, 1, &whole);
    const int rowBytes = int(pixels.size()) / std::max(area.height(), 1);
    for (int y = 0; y < area.height(); y += 32) { // requests well under the size limit
        const int rows = std::min(32, area.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, uint16_t(area.width()), uint16_t(rows),
            int16_t(area.x()), int16_t(area.y() + y), 0, uint8_t(m_options.depth), uint32_t(rows * rowBytes),
            reinterpret_cast<const uint8_t*>(pixels.constData()) + y * rowBytes);
    }
    xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, root, 0, 0, 0, 0);
    for (const QByteArray name : { "_XROOTPMAP_ID", "_XSETROOT_ID" })
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, m_connection->atom(name), XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    const auto error = owned(xcb_request_check(c, xcb_free_gc_checked(c, gc)));
    return !error && !xcb_connection_has_error(c);
}
