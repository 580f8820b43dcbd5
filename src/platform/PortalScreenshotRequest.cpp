#include "platform/PortalScreenshotRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QFutureWatcher>
#include <QImageReader>
#include <QUrl>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

namespace {
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

QString seconds(std::chrono::milliseconds duration)
{
    return QString::number(double(duration.count()) / 1000.0);
}

// Why a Response other than 0 came: 1 is the user's (or the desktop's) no, 2
// any other end.
QString refusal(uint response)
{
    return (response == 1 ? QStringLiteral("the desktop refused the screenshot")
                          : QStringLiteral("the screenshot request ended without a picture"))
        + QStringLiteral(" (response %1)").arg(response);
}
} // namespace

PortalScreenshotRequest::PortalScreenshotRequest(
    QDBusConnection bus, std::chrono::milliseconds timeout, ScreenshotPortal::Completion completion, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_timeout(timeout)
    , m_completion(std::move(completion))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        finish({ {}, QStringLiteral("no answer from the desktop within %1 s").arg(seconds(m_timeout)) });
    });
}

PortalScreenshotRequest::~PortalScreenshotRequest()
{
    if (!m_responded && !m_handle.isEmpty()) {
        // Given up on while the desktop may still be asking the user: take the question away.
        m_bus.call(QDBusMessage::createMethodCall(portalService, m_handle, requestInterface, QStringLiteral("Close")),
            QDBus::NoBlock);
    }
    stopListening();
}

void PortalScreenshotRequest::start()
{
    if (!m_bus.isConnected()) {
        const QString reason = QStringLiteral("no session bus (%1)").arg(m_bus.lastError().message());
        QTimer::singleShot(0, this, [this, reason] { finish({ {}, reason }); });
        return;
    }
    // The portal names the request after our bus name and the token:
    // /org/freedesktop/portal/desktop/request/SENDER/TOKEN, SENDER being the
    // unique name without its ':' and with '_' for '.'.
    const QString token = QStringLiteral("scrapwick_") + QUuid::createUuid().toString(QUuid::Id128);
    const QString sender = m_bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    listenOn(portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token);

    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString() // no parent window to attach a dialog to
         << QVariantMap { { QStringLiteral("handle_token"), token }, { QStringLiteral("interactive"), false },
                { QStringLiteral("modal"), false } };
    m_deadline.start(m_timeout);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, int(m_timeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *finished;
        if (reply.isError()) {
            finish({ {}, reply.error().message() });
            return;
        }
        // Portals older than the handle_token convention pick their own path.
        const QString handle = reply.value().path();
        if (!m_responded && handle != m_handle) {
            stopListening();
            listenOn(handle);
        }
    });
}

void PortalScreenshotRequest::listenOn(const QString& handle)
{
    m_handle = handle;
    m_bus.connect(portalService, m_handle, requestInterface, QStringLiteral("Response"), this,
        SLOT(handleResponse(uint, QVariantMap)));
}

void PortalScreenshotRequest::stopListening()
{
    if (m_handle.isEmpty())
        return;
    m_bus.disconnect(portalService, m_handle, requestInterface, QStringLiteral("Response"), this,
        SLOT(handleResponse(uint, QVariantMap)));
}

void PortalScreenshotRequest::handleResponse(uint response, const QVariantMap& results)
{
    if (m_responded || !m_completion)
        return;
    m_responded = true;
    m_deadline.stop();
    stopListening();
    if (response != 0) {
        finish({ {}, refusal(response) });
        return;
    }
    const QString uri = results.value(QStringLiteral("uri")).toString();
    const QUrl url(uri);
    if (!url.isLocalFile()) {
        finish({ {}, QStringLiteral("the desktop returned no picture file (uri \"%1\")").arg(uri) });
        return;
    }
    readPicture(url.toLocalFile());
}

void PortalScreenshotRequest::readPicture(const QString& path)
{
    // Decoding a picture of every screen takes a while: off the main thread.
    // The file was written for this request alone; nobody else will want it.
    auto* watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, path] {
        const QImage picture = watcher->result();
        finish(picture.isNull()
                ? DesktopScreenshot { {}, QStringLiteral("cannot read the picture the desktop wrote (%1)").arg(path) }
                : DesktopScreenshot { picture, {} });
    });
    watcher->setFuture(QtConcurrent::run([path] {
        QImageReader reader(path);
        reader.setAutoTransform(false);
        const QImage picture = reader.read();
        QFile::remove(path);
        return picture;
    }));
}

void PortalScreenshotRequest::finish(const DesktopScreenshot& result)
{
    if (!m_completion)
        return;
    m_deadline.stop();
    const ScreenshotPortal::Completion completion = std::exchange(m_completion, nullptr);
    // Out of the context's hands first: the completion may well destroy the
    // context, and with it its children, while this is still on the stack.
    setParent(nullptr);
    deleteLater();
    completion(result);
}
