#include "X11Session.h"
#include "SessionUser.h"

#include <QDir>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdio>

namespace {
template <typename Reply> std::unique_ptr<Reply, decltype(&std::free)> owned(Reply* reply)
{
    return { reply, &std::free };
}
} // namespace

std::unique_ptr<QProcess> startProcess(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment, const SessionUser* user, const QString& folder)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(folder);
    if (user)
        user->applyTo(*process);
    process->start(program, arguments);
    return process;
}

bool waitWhileRunning(const QProcess& process, const std::function<bool()>& ready, int timeoutMs)
{
    return QTest::qWaitFor([&] { return ready() || process.state() == QProcess::NotRunning; }, timeoutMs) && ready();
}

void endProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(2000))
        process.kill(), process.waitForFinished(2000);
}

CommandResult finishCommand(QProcess& process, int timeoutMs)
{
    process.closeWriteChannel();
    // (Qt's wait answers false for a process it has already seen end.)
    const bool finished = (process.state() == QProcess::NotRunning || process.waitForFinished(timeoutMs))
        && process.exitStatus() == QProcess::NormalExit && process.error() != QProcess::FailedToStart;
    endProcess(process);
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
    return { finished, process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        finished ? errors : process.errorString() + ' ' + errors };
}

QString outputOf(QProcess& process)
{
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

// Xvfb serves one screen, number 0, so its root is the first.
struct X11Session::Connection {
    explicit Connection(const QString& display)
        : c(xcb_connect(qPrintable(display), nullptr))
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

    // The windows' parents, children and the process ids they carry in
    // _NET_WM_PID (0: none), asked all at once.
    struct Family {
        xcb_window_t parent = 0;
        QList<XWindow> children;
        qint64 pid = 0;
    };
    [[nodiscard]] QList<Family> families(const QList<XWindow>& windows) const
    {
        QList<std::pair<xcb_query_tree_cookie_t, xcb_get_property_cookie_t>> cookies;
        for (const XWindow window : windows)
            cookies.append(
                { xcb_query_tree(c, window), xcb_get_property(c, 0, window, netWmPid, XCB_ATOM_CARDINAL, 0, 1) });
        QList<Family> found;
        for (const auto& [treeCookie, pidCookie] : cookies) {
            auto tree = owned(xcb_query_tree_reply(c, treeCookie, nullptr));
            auto pid = owned(xcb_get_property_reply(c, pidCookie, nullptr));
            const xcb_window_t* first = tree ? xcb_query_tree_children(tree.get()) : nullptr;
            found.append({ tree ? tree->parent : 0,
                QList<XWindow>(first, first + (tree ? xcb_query_tree_children_length(tree.get()) : 0)),
                pid && xcb_get_property_value_length(pid.get()) == 4
                    ? *static_cast<const quint32*>(xcb_get_property_value(pid.get()))
                    : 0 });
        }
        return found;
    }

    xcb_connection_t* c;
    xcb_window_t root;
    xcb_atom_t netWmPid;
};

X11Session::X11Session(X11SessionOptions options)
    : m_options(std::move(options))
{
}

X11Session::~X11Session()
{
    if (m_app)
        endApp();
    for (auto helper = m_helpers.rbegin(); helper != m_helpers.rend(); ++helper)
        endProcess(**helper);
    m_connection.reset();
    if (m_xserver)
        endProcess(*m_xserver);
}

bool X11Session::fail(const QString& message)
{
    m_lastError = message + '\n' + diagnostics();
    return false;
}

bool X11Session::start()
{
    // The app's folders; its user must reach them, while the test reads them as root.
    const SessionUser* user = m_options.appUser;
    bool made = !user || user->own(m_home.path(), 0755);
    for (const QString& folder : { m_home.filePath("data"), configHome(), runtimeDir() })
        made = made && QDir().mkpath(folder)
            && (user ? user->own(folder, 0700)
                     : QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    if (!made)
        return fail("cannot make the app's folders in " + m_home.path());
    if (!m_options.existingDisplay.isEmpty())
        return connect(m_options.existingDisplay);
    m_bus = std::make_unique<PrivateBus>(m_home.filePath("bus"));
    if (busAddress().isEmpty())
        return fail(m_bus->error());
    // Xvfb picks a free display itself and writes its number to standard output.
    const QSize size = m_options.screenSize;
    m_xserver = startProcess("Xvfb",
        { "-displayfd", "1", "-screen", "0",
            QString("%1x%2x%3").arg(size.width()).arg(size.height()).arg(m_options.depth), "-nolisten", "tcp",
            "-noreset" },
        QProcessEnvironment::systemEnvironment());
    if (!waitWhileRunning(
            *m_xserver, [&] { return m_xserver->canReadLine(); }, 10000))
        return fail("Xvfb reported no display: " + m_xserver->errorString());
    // Each helper is ready once it owns its selection on the screen.
    return connect(':' + QString::fromLatin1(m_xserver->readLine().trimmed()))
        && (!m_options.windowManager || startHelper("openbox --sm-disable", "WM_S"))
        && (!m_options.compositor || startHelper("picom --backend xrender", "_NET_WM_CM_S"))
        && (!m_options.trayHost || startTrayHost());
}

bool X11Session::connect(const QString& display)
{
    m_display = display;
    m_connection = std::make_unique<Connection>(m_display);
    return !xcb_connection_has_error(m_connection->c) || fail("cannot connect to the X server on " + m_display);
}

bool X11Session::startTrayHost()
{
    return startHelper(
        "trayer --edge top --align right --widthtype request --height 24 --transparent false", "_NET_SYSTEM_TRAY_S");
}

bool X11Session::startHelper(const QString& command, const QByteArray& selection)
{
    QStringList arguments = command.split(' ');
    const QString program = arguments.takeFirst();
    const QProcess& helper = *m_helpers.emplace_back(startProcess(program, arguments, environment()));
    const xcb_atom_t atom = m_connection->atom(selection + '0');
    xcb_connection_t* c = m_connection->c;
    const auto ready = [&] {
        auto reply = owned(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr));
        return reply && reply->owner != XCB_NONE;
    };
    return waitWhileRunning(helper, ready, 10000) || fail(program + " did not become ready: " + helper.errorString());
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
    const QString bus = busAddress();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.isEmpty() ? "unix:path=" + m_home.filePath("no-bus") : bus);
    return environment;
}

bool X11Session::launchApp(
    const QProcessEnvironment& extraEnvironment, const QString& program, const QStringList& arguments)
{
    if (m_app)
        endApp();
    m_app = startApp(arguments, extraEnvironment, {}, program);
    return m_app->waitForStarted(5000) || fail("scrapwick did not start: " + m_app->errorString());
}

std::unique_ptr<QProcess> X11Session::startApp(const QStringList& arguments,
    const QProcessEnvironment& extraEnvironment, const QString& workingDirectory, const QString& program) const
{
    QProcessEnvironment environment = this->environment();
    environment.insert("XDG_DATA_HOME", m_home.filePath("data"));
    environment.insert("XDG_CONFIG_HOME", configHome());
    environment.insert("XDG_RUNTIME_DIR", runtimeDir());
    environment.insert(m_options.appEnvironment);
    environment.insert(extraEnvironment);
    return startProcess(program, arguments, environment, m_options.appUser, workingDirectory);
}

CommandResult X11Session::runApp(
    const QStringList& arguments, const QProcessEnvironment& extraEnvironment, const QString& workingDirectory) const
{
    CommandResult result = finishCommand(*startApp(arguments, extraEnvironment, workingDirectory), 20000);
    // As for the app itself (endApp): a report this start printed reaches ctest.
    std::fputs(qPrintable(result.errors), stderr);
    return result;
}

QStringList X11Session::appLines(QProcess::ProcessChannel channel) const
{
    if (!m_app)
        return {};
    // Peeked, not read: the app's output stays in its process's buffer.
    m_app->setReadChannel(channel);
    return QString::fromUtf8(m_app->peek(m_app->bytesAvailable())).split('\n', Qt::SkipEmptyParts);
}

void X11Session::endApp()
{
    endProcess(*m_app);
    // What the app wrote to standard error goes to the test's own output: a
    // report it printed (a sanitizer's, in the sanitizer build) thus reaches
    // ctest, which fails the test on one.
    const QByteArray errors = m_app->readAllStandardError();
    std::fwrite(errors.constData(), 1, size_t(errors.size()), stderr);
}

QString X11Session::diagnostics()
{
    QString text = QString("display %1\n").arg(m_display);
    if (m_xserver)
        text += "[Xvfb] " + outputOf(*m_xserver) + '\n';
    for (const auto& helper : m_helpers)
        text += QString("[%1] %2\n").arg(helper->program(), outputOf(*helper));
    if (m_app)
        text += QString("[scrapwick stdout] %1\n[scrapwick stderr] %2")
                    .arg(appOutputLines().join('\n'), appErrorLines().join('\n'));
    return text;
}

CommandResult X11Session::run(const QString& program, const QStringList& arguments, int timeoutMs) const
{
    return finishCommand(*startProcess(program, arguments, environment()), timeoutMs);
}

bool X11Session::click(XWindow window, QPoint inWindow, int button) const
{
    const QRect frame = screenGeometry(window);
    const QPoint at = frame.topLeft() + inWindow;
    return frame.isValid()
        && xdotool({ "mousemove", QString::number(at.x()), QString::number(at.y()), "click", QString::number(button) })
               .succeeded();
}

bool X11Session::drag(const QList<QPoint>& points, bool release) const
{
    QString steps = QString("mousemove %1 %2 mousedown 1").arg(points[0].x()).arg(points[0].y());
    for (const QPoint p : points.mid(1))
        steps += QString(" sleep 0.02 mousemove %1 %2").arg(p.x()).arg(p.y());
    return xdotool((steps + (release ? " sleep 0.1 mouseup 1" : "")).split(' ')).succeeded();
}

QImage X11Session::clipboardImage() const
{
    const CommandResult png = run("sh", { "-c", "xclip -selection clipboard -t image/png -o | base64 -w0" });
    return QImage::fromData(QByteArray::fromBase64(png.output.toLatin1()), "PNG");
}

QList<XWindow> X11Session::appWindows() const
{
    const qint64 pid = m_app && m_connection ? m_app->processId() : 0;
    QList<XWindow> found;
    // A level of the tree at a time, in one round trip.
    for (QList<XWindow> level { pid ? m_connection->root : 0 }; pid && !level.isEmpty();) {
        const QList<Connection::Family> families = m_connection->families(level);
        QList<XWindow> next;
        for (int i = 0; i < level.size(); ++i) {
            if (families[i].pid == pid)
                found.append(level[i]);
            next += families[i].children;
        }
        level = next;
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
    for (const XWindow window : appWindows())
        if (isViewable(window) && matches(screenGeometry(window)))
            return window;
    return 0;
}

XWindow X11Session::waitForAppWindow(QSize size)
{
    XWindow found = 0;
    if (!QTest::qWaitFor([&] { return (found = appWindow([&](QRect frame) { return frame.size() == size; })); }, 10000))
        qWarning("no window of %d x %d showed: %s", size.width(), size.height(), qPrintable(diagnostics()));
    return found;
}

bool X11Session::appHasTrayIcon() const
{
    const auto tray = std::find_if(m_helpers.begin(), m_helpers.end(),
        [](const auto& helper) { return helper->program() == QLatin1String("trayer"); });
    // An embedded icon is reparented into the tray host's panel.
    for (const XWindow window : tray == m_helpers.end() ? QList<XWindow>() : appWindows())
        for (XWindow up = m_connection->families({ window })[0].parent; up && up != m_connection->root;
             up = m_connection->families({ up })[0].parent)
            if (m_connection->families({ up })[0].pid == (*tray)->processId())
                return true;
    return false;
}

bool X11Session::openMenu(XWindow window, QPoint inWindow) const
{
    const auto viewable = [&] {
        const QList<XWindow> windows = appWindows();
        return std::count_if(windows.begin(), windows.end(), [&](XWindow w) { return isViewable(w); });
    };
    const auto before = viewable();
    return click(window, inWindow, 3) && QTest::qWaitFor([&] { return viewable() > before; }, 10000);
}

bool X11Session::setBackground(const QRect& area, const QByteArray& pixels) const
{
    xcb_connection_t* c = m_connection->c;
    const xcb_window_t root = m_connection->root;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    const xcb_rectangle_t whole { 0, 0, uint16_t(m_options.screenSize.width()),
        uint16_t(m_options.screenSize.height()) };
    xcb_create_pixmap(c, uint8_t(m_options.depth), pixmap, root, whole.width, whole.height);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
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
