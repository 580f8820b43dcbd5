#include "app/AppDelegate.h"
#include "TestDoubles.h"
#include "capture/CropOverlayWindow.h"
#include "gallery/GalleryStore.h"
#include "gallery_ui/IdeaGalleryWindowController.h"
#include "moodboard_ui/MoodBoardWindowController.h"
#include "platform/CommandNames.h"
#include "platform/Log.h"
#include "ui/Theme.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Titles in menu order, "-" for a separator.
QStringList titles(const QMenu* menu)
{
    QStringList result;
    for (const QAction* action : menu->actions())
        result.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return result;
}

QAction* find(const QMenu* menu, const QString& title)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == title)
            return action;
    }
    return nullptr;
}

// The "isOpen" values announced under `name`, read strictly as Booleans.
QList<bool> isOpenValues(const NotificationRecorder& recorder, const QString& name)
{
    QList<bool> values;
    for (int i = 0; i < recorder.names.size(); ++i) {
        const QVariant isOpen = recorder.userInfos[i].value(CommandNames::isOpenKey);
        if (recorder.names[i] == name && isOpen.metaType() == QMetaType::fromType<bool>())
            values.append(isOpen.toBool());
    }
    return values;
}

// A login item whose changes never take effect.
class BrokenLoginItem final : public LoginItem {
public:
    bool setEnabled(bool) override { return false; }
};

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<TestPlatform>();
    }

    void cleanup() { m_app.reset(); }

    void menuHasTheItemsInOrder()
    {
        launch();
        const QMenu* menu = m_app->statusMenu();
        QCOMPARE(m_app->statusItem()->contextMenu(), menu);
        QCOMPARE(titles(menu),
            (QStringList { "About Scrapwick", "-", "Import to Idea Gallery...", "Settings", "-", "Check for Updates",
                "Contact Support", "-", "Quit Scrapwick" }));
        QCOMPARE(titles(find(menu, "About Scrapwick")->menu()),
            (QStringList { "Version " EXPECTED_VERSION, "Scrapwick Official Website" }));
        QCOMPARE(titles(find(menu, "Settings")->menu()), (QStringList { "Launch at Login", "Shape Recognition" }));
        QCOMPARE(find(menu, "Import to Idea Gallery...")->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
        QCOMPARE(find(menu, "Quit Scrapwick")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    }

    void checkMarksFollowTheDefaults()
    {
        for (const bool launchAtLogin : { false, true }) {
            m_platform->defaults.setValue("launchAtLogin", launchAtLogin);
            m_platform->defaults.setValue("shapeRecognition.enabled", !launchAtLogin);
            launch();
            QCOMPARE(settingsItem("Launch at Login")->isChecked(), launchAtLogin);
            QCOMPARE(settingsItem("Shape Recognition")->isChecked(), !launchAtLogin);
        }
    }

    void togglesWriteTheirDefault()
    {
        launch();
        for (const auto& [title, key] : { std::pair("Shape Recognition", "shapeRecognition.enabled"),
                 std::pair("Launch at Login", "launchAtLogin") }) {
            QAction* item = settingsItem(title);
            for (const bool expected : { true, false }) {
                item->trigger();
                QCOMPARE(item->isChecked(), expected);
                QCOMPARE(m_platform->defaults.value(key), QVariant(expected));
            }
        }
        QCOMPARE(m_platform->loginItem.calls, (QList<bool> { true, false })); // only Launch at Login
    }

    void launchAtLoginThatFailsLeavesMarkAndDefaultUnchanged()
    {
        BrokenLoginItem broken;
        TestPlatform& p = *m_platform;
        launch({ p.notifications, p.defaults, p.pasteboard, p.filePanels, p.urlOpener, broken, p.captureAccess,
            p.screenCapture });
        Log::ScopedCapture log;
        QAction* item = settingsItem("Launch at Login");
        item->trigger();
        QVERIFY(!item->isChecked());
        QVERIFY(!p.defaults.value("launchAtLogin").isValid());
        QCOMPARE(log.lines(), QStringList { "[Settings] Could not add the login item" });
    }

    void togglesShowAndHideAndAnnounce()
    {
        launch();
        NotificationRecorder recorder(m_platform->notifications,
            { CommandNames::galleryVisibilityChanged, CommandNames::moodBoardVisibilityChanged });
        for (const QString& toggle : { CommandNames::toggleIdeaGallery, CommandNames::toggleMoodBoard }) {
            const auto window = [&] {
                return toggle == CommandNames::toggleMoodBoard ? m_app->moodBoardController()->window()
                                                               : m_app->ideaGalleryController()->window();
            };
            m_platform->notifications.post(toggle);
            QWidget* shown = window();
            QVERIFY(shown->isVisible());
            m_platform->notifications.post(toggle);
            QVERIFY(!shown->isVisible());
            m_platform->notifications.post(toggle);
            QCOMPARE(window(), shown); // hidden, not thrown away
            QVERIFY(shown->isVisible());
        }
        // Closing the mood board announces twice: once from the window as it
        // closes, once from the toggle.
        QCOMPARE(isOpenValues(recorder, CommandNames::galleryVisibilityChanged), (QList<bool> { true, false, true }));
        QCOMPARE(isOpenValues(recorder, CommandNames::moodBoardVisibilityChanged),
            (QList<bool> { true, false, false, true }));
    }

    void cropModeStartsOnceAndEndsWithCropDidComplete()
    {
        launch();
        NotificationRecorder recorder(m_platform->notifications, { CommandNames::cropDidComplete });
        Log::ScopedCapture log;
        m_platform->notifications.post(CommandNames::enterCropMode);
        CropOverlayWindow* overlay = m_app->cropOverlayWindow();
        QVERIFY(overlay && overlay->isVisible());
        m_platform->notifications.post(CommandNames::enterCropMode);
        QCOMPARE(m_app->cropOverlayWindow(), overlay);

        m_platform->notifications.post(CommandNames::exitCropMode);
        QVERIFY(!overlay->isVisible());
        QCOMPARE(log.lines(),
            (QStringList { "enterCropMode called", "enterCropMode called",
                "already in crop mode, ignoring duplicate call",
                QStringLiteral("exitCropMode called, window: Optional(CropOverlayWindow(0x%1))")
                    .arg(reinterpret_cast<quintptr>(overlay), 0, 16),
                "crop mode exited" }));
        QCOMPARE(recorder.names, QStringList { CommandNames::cropDidComplete });
    }

    void refusedCaptureAccessAsksAndStops()
    {
        m_platform->captureAccess.allowed = false;
        launch();
        m_app->applicationDidFinishLaunching(); // launching twice must not double the handlers
        NotificationRecorder recorder(m_platform->notifications, { CommandNames::cropDidComplete });
        Log::ScopedCapture log;
        m_platform->notifications.post(CommandNames::enterCropMode);
        QCOMPARE(m_platform->captureAccess.requests, 1);
        QVERIFY(!m_app->cropOverlayWindow());
        QVERIFY(recorder.names.isEmpty());
        // Without an overlay, exitCropMode still answers, once.
        m_platform->notifications.post(CommandNames::exitCropMode);
        QCOMPARE(log.lines(),
            (QStringList { "enterCropMode called", "Scrapwick: requesting screen capture permission",
                "exitCropMode called, window: nil", "crop mode exited" }));
        QCOMPARE(recorder.names, QStringList { CommandNames::cropDidComplete });
    }

    void importAddsPicturesNewestFirstAndReportsTheRest()
    {
        launch();
        QTemporaryDir files;
        const QString png = files.filePath("wide.png");
        const QString jpeg = files.filePath("tall.jpeg");
        const QString text = files.filePath("notes.txt");
        QImage wide(6, 2, QImage::Format_ARGB32);
        wide.fill(Qt::red);
        QVERIFY(wide.save(png) && wide.transformed(QTransform().rotate(90)).save(jpeg));
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("not a picture") > 0);
        notes.close();

        Log::ScopedCapture log;
        find(m_app->statusMenu(), "Import to Idea Gallery...")->trigger();
        const OpenPanelRequest& request = m_platform->filePanels.lastOpenRequest;
        QCOMPARE(request.title, QStringLiteral("Import to Idea Gallery"));
        QCOMPARE(request.prompt, QStringLiteral("Choose images to import"));
        QVERIFY(request.allowsMultipleSelection);
        m_platform->filePanels.answerOpen(QStringList { png, text, jpeg });

        const QList<ClipItem>& cutouts = m_app->galleryStore().cutouts();
        QTRY_COMPARE(cutouts.size(), 2);
        QTRY_COMPARE(log.lines(), QStringList { "[Import] Failed to import 1 file(s): notes.txt" });
        // Each addition goes first, so the picture chosen last leads.
        QCOMPARE(QImage::fromData(*cutouts[0].imageData, "png").size(), QSize(2, 6));
        QCOMPARE(QImage::fromData(*cutouts[1].imageData, "png").size(), QSize(6, 2));
    }

private:
    void launch() { launch(m_platform->services()); }

    void launch(const PlatformServices& services)
    {
        m_app = std::make_unique<AppDelegate>(services, m_data->path(), m_theme);
        m_app->applicationDidFinishLaunching();
    }

    QAction* settingsItem(const QString& title) const
    {
        return find(find(m_app->statusMenu(), QStringLiteral("Settings"))->menu(), title);
    }

    Theme m_theme;
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<AppDelegate> m_app;
};

QTEST_MAIN(AppDelegateTest)
#include "AppDelegateTest.moc"
