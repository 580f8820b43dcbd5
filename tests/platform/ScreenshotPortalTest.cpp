#include "platform/DesktopScreenshotPortal.h"

#include "support/PrivateBus.h"
#include "support/TestFiles.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace {
const QString portalPath = "/org/freedesktop/portal/desktop";
} // namespace

// One portal request object: notes when the caller closes it.
class FakeRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    explicit FakeRequest(bool& closed, QObject* parent)
        : QObject(parent)
        , m_closed(closed)
    {
    }

public Q_SLOTS:
    void Close() { m_closed = true; }

private:
    bool& m_closed;
};

// org.freedesktop.portal.Screenshot as a desktop serves it: the request's
// path from the caller's bus name and token, then, after a moment, the
// Response it is told to give (or none).
class FakeScreenshotPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    explicit FakeScreenshotPortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    {
    }

    std::optional<std::pair<uint, QVariantMap>> answer;
    QVariantMap options;
    bool closed = false;

public Q_SLOTS:
    QDBusObjectPath Screenshot(const QString& parentWindow, const QVariantMap& callOptions, const QDBusMessage& call)
    {
        Q_UNUSED(parentWindow);
        options = callOptions;
        const QString handle = portalPath + "/request/" + call.service().mid(1).replace('.', '_') + '/'
            + callOptions.value("handle_token").toString();
        m_bus.registerObject(handle, new FakeRequest(closed, this), QDBusConnection::ExportAllSlots);
        if (answer)
            QTimer::singleShot(20, this, [this, handle, answer = *answer] {
                QDBusMessage response
                    = QDBusMessage::createSignal(handle, "org.freedesktop.portal.Request", "Response");
                response << answer.first << answer.second;
                m_bus.send(response);
            });
        return QDBusObjectPath(handle);
    }

private:
    QDBusConnection m_bus;
};

// DesktopScreenshotPortal against a stand-in portal on a bus of the test's own.
class ScreenshotPortalTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<PrivateBus> m_bus;

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            QSKIP("dbus-daemon is not installed; scripts/install-deps installs it");
        m_bus = std::make_unique<PrivateBus>(m_folder.filePath("bus"));
        QVERIFY2(!m_bus->address().isEmpty(), qPrintable(m_bus->error()));
    }

    void answersBecomePicturesOrReasons()
    {
        const QString file = m_folder.filePath("shot.png"), fileUri = QUrl::fromLocalFile(file).toString();
        const struct {
            int response; // -1: never answers; -2: no portal at all
            QString uri; // "garbage": the file holds no picture
            bool abandoned; // the context goes before the answer
            QString failure; // null: a picture; "-": no completion at all
            bool fileGone, closed;
        } cases[] = {
            { 0, fileUri, false, {}, true, false },
            { 1, fileUri, false, "the desktop refused the screenshot (response 1)", false, false },
            { 2, fileUri, false, "the screenshot request ended without a picture (response 2)", false, false },
            { 0, "https://example.org/shot.png", false,
                "the desktop returned no picture file (uri \"https://example.org/shot.png\")", false, false },
            { 0, "garbage", false, "cannot read the picture the desktop wrote", true, false },
            { -1, fileUri, false, "no answer from the desktop within 0.3 s", false, true },
            { -1, fileUri, true, "-", false, true },
            { -2, fileUri, false, "org.freedesktop.portal.Desktop", false, false },
        };
        QImage picture(64, 32, QImage::Format_RGB32);
        picture.fill(qRgb(10, 200, 30));
        picture.setPixel(63, 31, qRgb(1, 2, 3));
        QDBusConnection portalBus = m_bus->connection();
        for (const auto& c : cases) {
            QVERIFY(c.uri == "garbage" ? writeFile(file, "not a PNG") : picture.save(file, "PNG"));
            FakeScreenshotPortal portal(portalBus);
            if (c.response >= 0)
                portal.answer
                    = std::pair(uint(c.response), QVariantMap { { "uri", c.uri == "garbage" ? fileUri : c.uri } });
            if (c.response != -2) {
                QVERIFY(portalBus.registerObject(portalPath, &portal, QDBusConnection::ExportAllSlots));
                QVERIFY(portalBus.registerService("org.freedesktop.portal.Desktop"));
            }
            const auto unregister = qScopeGuard([&] {
                portalBus.unregisterService("org.freedesktop.portal.Desktop");
                portalBus.unregisterObject(portalPath, QDBusConnection::UnregisterTree);
            });

            const QString clientName = "client " + c.failure;
            DesktopScreenshotPortal desktop(QDBusConnection::connectToBus(m_bus->address(), clientName), 300ms);
            auto context = std::make_unique<QObject>();
            std::optional<DesktopScreenshot> result;
            desktop.takeScreenshot(*context, [&](const DesktopScreenshot& shot) { result = shot; });
            QVERIFY(!result); // never before the call returns
            if (c.abandoned) {
                QTRY_VERIFY(!portal.options.isEmpty());
                context.reset();
                QTest::qWait(500);
                QVERIFY(!result);
            } else {
                QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 5000);
                QVERIFY2(c.failure.isNull() ? result->failure.isEmpty() : result->failure.contains(c.failure),
                    qPrintable(result->failure));
                QCOMPARE(result->layout.convertToFormat(QImage::Format_RGB32), c.failure.isNull() ? picture : QImage());
            }
            if (c.response != -2)
                QCOMPARE(portal.options,
                    (QVariantMap { { "handle_token", portal.options.value("handle_token") }, { "interactive", false },
                        { "modal", false } }));
            QCOMPARE(!QFile::exists(file), c.fileGone);
            QTRY_COMPARE(portal.closed, c.closed);
            QDBusConnection::disconnectFromBus(clientName);
        }
    }
};

QTEST_GUILESS_MAIN(ScreenshotPortalTest)
#include "ScreenshotPortalTest.moc"
