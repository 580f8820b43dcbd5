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
#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QMenu>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList allNotificationNames { CommandNames::enterCropMode, CommandNames::exitCropMode,
    CommandNames::toggleIdeaGallery, CommandNames::toggleMoodBoard, CommandNames::cropDidComplete,
    CommandNames::galleryVisibilityChanged, CommandNames::moodBoardVisibilityChanged };

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

QAction* settingsItem(const AppDelegate& app, const QString& title)
{
    QAction* settings = find(app.statusMenu(), QStringLiteral("Settings"));
    return settings && settings->menu() ? find(settings->menu(), title) : nullptr;
}

QList<bool> isOpenValues(const NotificationRecorder& recorder, const QString& name)
{
    QList<bool> values;
    for (int i = 0; i < recorder.names.size(); ++i) {
        if (recorder.names[i] == name)
            values.append(recorder.userInfos[i].value(CommandNames::isOpenKey).toBool());
    }
    return values;
}

QImage decodePng(const QByteArray& png)
{
    QBuffer buffer;
    buffer.setData(png);
    return QImageReader(&buffer, "png").read();
}

// A login item whose changes never take effect.
class BrokenLoginItem final : public LoginItem {
public:
    bool setEnabled(bool enabled) override
    {
        calls.append(enabled);
        return false;
    }
    QList<bool> calls;
};

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        QVERIFY(m_data->isValid());
        m_platform = std::make_unique<TestPlatform>();
    }

    void cleanup()
    {
        m_app.reset();
        m_platform.reset();
        m_data.reset();
    }

    void menuHasTheItemsInOrder()
    {
        launch();
        const QMenu* menu = m_app->statusMenu();
        QVERIFY(menu);
        QCOMPARE(titles(menu),
            (QStringList { "About Scrapwick", "-", "Import to Idea Gallery...", "Settings", "-", "Check for Updates",
                "Contact Support", "-", "Quit Scrapwick" }));

        const QMenu* about = find(menu, "About Scrapwick")->menu();
        QVERIFY(about);
        QCOMPARE(titles(about),
            (QStringList {
                QStringLiteral("Version ") + QStringLiteral(EXPECTED_VERSION), "Scrapwick Official Website" }));
        QVERIFY(!about->actions()[0]->isEnabled());
        QVERIFY(about->actions()[1]->isEnabled());

        const QMenu* settings = find(menu, "Settings")->menu();
        QVERIFY(settings);
        QCOMPARE(titles(settings), (QStringList { "Launch at Login", "Shape Recognition" }));
        for (const QAction* item : settings->actions())
            QVERIFY(item->isCheckable());

        QCOMPARE(find(menu, "Import to Idea Gallery...")->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
        QCOMPARE(find(menu, "Quit Scrapwick")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        for (const char* title : { "About Scrapwick", "Settings", "Check for Updates", "Contact Support" })
            QVERIFY2(find(menu, QString::fromLatin1(title))->shortcut().isEmpty(), title);
        QVERIFY(m_app->statusItem());
        QVERIFY(m_app->statusItem()->contextMenu() == menu);
    }

    void checkMarksFollowTheDefaults_data()
    {
        QTest::addColumn<QVariant>("launchAtLogin");
        QTest::addColumn<QVariant>("shapeRecognition");
        QTest::addColumn<bool>("launchChecked");
        QTest::addColumn<bool>("shapeChecked");

        QTest::newRow("never written") << QVariant() << QVariant() << false << false;
        QTest::newRow("both on") << QVariant(true) << QVariant(true) << true << true;
        QTest::newRow("launch only") << QVariant(true) << QVariant(false) << true << false;
        QTest::newRow("shape only") << QVariant(false) << QVariant(true) << false << true;
    }

    void checkMarksFollowTheDefaults()
    {
        QFETCH(QVariant, launchAtLogin);
        QFETCH(QVariant, shapeRecognition);
        if (launchAtLogin.isValid())
            m_platform->defaults.setValue("launchAtLogin", launchAtLogin);
        if (shapeRecognition.isValid())
            m_platform->defaults.setValue("shapeRecognition.enabled", shapeRecognition);
        launch();
        QFETCH(bool, launchChecked);
        QFETCH(bool, shapeChecked);
        QCOMPARE(settingsItem(*m_app, "Launch at Login")->isChecked(), launchChecked);
        QCOMPARE(settingsItem(*m_app, "Shape Recognition")->isChecked(), shapeChecked);
    }

    void shapeRecognitionFlipsTheStoredValue()
    {
        launch();
        QAction* item = settingsItem(*m_app, "Shape Recognition");
        item->trigger();
        QVERIFY(item->isChecked());
        QCOMPARE(m_platform->defaults.value("shapeRecognition.enabled"), QVariant(true));
        item->trigger();
        QVERIFY(!item->isChecked());
        QCOMPARE(m_platform->defaults.value("shapeRecognition.enabled"), QVariant(false));
        QVERIFY(m_platform->loginItem.calls.isEmpty());
    }

    void launchAtLoginChangesTheLoginItemAndTheDefault()
    {
        launch();
        QAction* item = settingsItem(*m_app, "Launch at Login");
        item->trigger();
        QVERIFY(item->isChecked());
        QCOMPARE(m_platform->loginItem.calls, QList<bool> { true });
        QCOMPARE(m_platform->defaults.value("launchAtLogin"), QVariant(true));
        item->trigger();
        QVERIFY(!item->isChecked());
        QCOMPARE(m_platform->loginItem.calls, (QList<bool> { true, false }));
        QCOMPARE(m_platform->defaults.value("launchAtLogin"), QVariant(false));
        QVERIFY(!m_platform->defaults.value("shapeRecognition.enabled").isValid());
    }

    void launchAtLoginThatFailsLeavesMarkAndDefaultUnchanged()
    {
        BrokenLoginItem broken;
        TestPlatform& p = *m_platform;
        const PlatformServices services { p.notifications, p.defaults, p.pasteboard, p.filePanels, p.urlOpener, broken,
            p.captureAccess };
        m_app = std::make_unique<AppDelegate>(services, m_data->path(), m_theme);
        m_app->applicationDidFinishLaunching();
        Log::ScopedCapture log;

        QAction* item = settingsItem(*m_app, "Launch at Login");
        item->trigger();
        QCOMPARE(broken.calls, QList<bool> { true });
        QVERIFY(!item->isChecked());
        QVERIFY(!p.defaults.value("launchAtLogin").isValid());
        QCOMPARE(log.lines(), QStringList { "[Settings] Could not add the login item" });
    }

    void linksOpenTheSupportMailAndTheProductPage()
    {
        launch();
        find(m_app->statusMenu(), "Contact Support")->trigger();
        find(find(m_app->statusMenu(), "About Scrapwick")->menu(), "Scrapwick Official Website")->trigger();
        find(m_app->statusMenu(), "Check for Updates")->trigger();

        const QList<QUrl>& urls = m_platform->urlOpener.urls;
        QCOMPARE(urls.size(), 3);
        QCOMPARE(urls[0].toString(QUrl::FullyEncoded),
            QStringLiteral("mailto:support@scrapwick.example?subject=Scrapwick%20Support"));
        QCOMPARE(urls[1], QUrl("https://scrapwick.example"));
        QCOMPARE(urls[2], QUrl("https://scrapwick.example"));
    }

    void commandsAreHeardOnlyAfterLaunchAndOnlyOnce()
    {
        m_app = std::make_unique<AppDelegate>(m_platform->services(), m_data->path(), m_theme);
        NotificationRecorder recorder(m_platform->notifications, { CommandNames::cropDidComplete });
        m_platform->notifications.post(CommandNames::exitCropMode);
        QVERIFY(recorder.names.isEmpty());

        m_app->applicationDidFinishLaunching();
        m_app->applicationDidFinishLaunching(); // registering again must not double the handlers
        m_platform->notifications.post(CommandNames::exitCropMode);
        QCOMPARE(recorder.names, QStringList { CommandNames::cropDidComplete });

        m_app.reset(); // a destroyed delegate hears nothing
        m_platform->notifications.post(CommandNames::exitCropMode);
        QCOMPARE(recorder.names.size(), 1);
    }

    void galleryToggleShowsThenHides()
    {
        launch();
        NotificationRecorder recorder(m_platform->notifications, { CommandNames::galleryVisibilityChanged });
        Log::ScopedCapture log;

        m_platform->notifications.post(CommandNames::toggleIdeaGallery);
        IdeaGalleryWindowController* controller = m_app->ideaGalleryController();
        QVERIFY(controller && controller->window());
        QWidget* window = controller->window();
        QVERIFY(window->isVisible());

        m_platform->notifications.post(CommandNames::toggleIdeaGallery);
        QCOMPARE(m_app->ideaGalleryController(), controller);
        QCOMPARE(controller->window(), window); // hidden, not thrown away
        QVERIFY(!window->isVisible());
        QCOMPARE(isOpenValues(recorder, CommandNames::galleryVisibilityChanged), (QList<bool> { true, false }));
        for (const QVariantMap& info : recorder.userInfos)
            QCOMPARE(info.value(CommandNames::isOpenKey).metaType(), QMetaType::fromType<bool>());

        const QStringList lines = log.lines();
        QCOMPARE(lines.size(), 4);
        const QRegularExpression controllerLine(
            QStringLiteral("^controller: Optional\\(IdeaGalleryWindowController\\(0x[0-9a-f]+\\)\\)$"));
        for (int i : { 0, 2 }) {
            QCOMPARE(lines[i], QStringLiteral("toggleIdeaGallery notification received"));
            QVERIFY2(controllerLine.match(lines[i + 1]).hasMatch(), qPrintable(lines[i + 1]));
        }
        QCOMPARE(lines[1], lines[3]); // the same controller both times
    }

    void moodBoardToggleClosesWithTwoAnnouncements()
    {
        launch();
        NotificationRecorder recorder(m_platform->notifications, { CommandNames::moodBoardVisibilityChanged });
        Log::ScopedCapture log;

        m_platform->notifications.post(CommandNames::toggleMoodBoard);
        QWidget* window = m_app->moodBoardController()->window();
        QVERIFY(window && window->isVisible());
        m_platform->notifications.post(CommandNames::toggleMoodBoard);
        QVERIFY(!window->isVisible());
        // One from the window as it closes, one from the toggle.
        QCOMPARE(
            isOpenValues(recorder, CommandNames::moodBoardVisibilityChanged), (QList<bool> { true, false, false }));

        m_platform->notifications.post(CommandNames::toggleMoodBoard);
        QCOMPARE(m_app->moodBoardController()->window(), window); // reused
        QVERIFY(window->isVisible());
        QCOMPARE(isOpenValues(recorder, CommandNames::moodBoardVisibilityChanged).last(), true);
        QCOMPARE(log.lines(), QStringList(3, QStringLiteral("toggleMoodBoard notification received")));
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
        QCOMPARE(log.lines(),
            (QStringList {
                "enterCropMode called", "enterCropMode called", "already in crop mode, ignoring duplicate call" }));

        m_platform->notifications.post(CommandNames::exitCropMode);
        QVERIFY(!overlay->isVisible());
        QCOMPARE(m_app->cropOverlayWindow(), overlay); // kept until the next crop mode
        const QStringList lines = log.lines();
        QCOMPARE(lines.size(), 5);
        QVERIFY2(QRegularExpression(
                     QStringLiteral("^exitCropMode called, window: Optional\\(CropOverlayWindow\\(0x[0-9a-f]+\\)\\)$"))
                     .match(lines[3])
                     .hasMatch(),
            qPrintable(lines[3]));
        QVERIFY(lines[3].contains(QString::number(reinterpret_cast<quintptr>(overlay), 16)));
        QCOMPARE(lines[4], QStringLiteral("crop mode exited"));
        QCOMPARE(recorder.names, QStringList { CommandNames::cropDidComplete });

        // A new crop mode gets a fresh overlay; the old one is gone.
        const QPointer<CropOverlayWindow> previous(overlay);
        m_platform->notifications.post(CommandNames::enterCropMode);
        QVERIFY(previous.isNull());
        QVERIFY(m_app->cropOverlayWindow() && m_app->cropOverlayWindow()->isVisible());
    }

    void exitCropModeWithoutOverlayStillAnswers()
    {
        launch();
        NotificationRecorder recorder(m_platform->notifications, { CommandNames::cropDidComplete });
        Log::ScopedCapture log;
        m_platform->notifications.post(CommandNames::exitCropMode);
        QCOMPARE(log.lines(), (QStringList { "exitCropMode called, window: nil", "crop mode exited" }));
        QCOMPARE(recorder.names, QStringList { CommandNames::cropDidComplete });
    }

    void refusedCaptureAccessAsksAndStops()
    {
        m_platform->captureAccess.allowed = false;
        launch();
        NotificationRecorder recorder(m_platform->notifications, allNotificationNames);
        Log::ScopedCapture log;
        m_app->enterCropMode();
        QCOMPARE(
            log.lines(), (QStringList { "enterCropMode called", "Scrapwick: requesting screen capture permission" }));
        QCOMPARE(m_platform->captureAccess.requests, 1);
        QVERIFY(!m_app->cropOverlayWindow());
        QVERIFY(recorder.names.isEmpty());
    }

    void importAddsPicturesInChosenOrderAndReportsTheRest()
    {
        launch();
        QTemporaryDir files;
        const QString png = files.filePath("wide.png");
        const QString jpeg = files.filePath("tall.jpeg");
        const QString text = files.filePath("notes.txt");
        QImage wide(6, 2, QImage::Format_ARGB32);
        wide.fill(QColor(255, 0, 0, 100));
        QVERIFY(wide.save(png));
        QImage tall(3, 9, QImage::Format_RGB32);
        tall.fill(Qt::blue);
        QVERIFY(tall.save(jpeg));
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("not a picture") > 0);
        notes.close();

        Log::ScopedCapture log;
        const QDateTime before = QDateTime::currentDateTime();
        find(m_app->statusMenu(), "Import to Idea Gallery...")->trigger();
        QVERIFY(m_platform->filePanels.hasPendingOpen());
        const OpenPanelRequest& request = m_platform->filePanels.lastOpenRequest;
        QCOMPARE(request.title, QStringLiteral("Import to Idea Gallery"));
        QCOMPARE(request.prompt, QStringLiteral("Choose images to import"));
        QVERIFY(request.allowsMultipleSelection);
        QCOMPARE(request.mimeTypeFilters,
            (QStringList { "image/png", "image/jpeg", "image/heic", "image/heif", "image/webp", "image/gif" }));

        m_platform->filePanels.answerOpen(QStringList { png, text, jpeg });
        const QList<ClipItem>& cutouts = m_app->galleryStore().cutouts();
        QTRY_COMPARE(cutouts.size(), 2);
        QTRY_COMPARE(log.lines(), QStringList { "[Import] Failed to import 1 file(s): notes.txt" });

        // Each addition goes first, so the picture chosen last leads.
        QVERIFY(cutouts[0].imageData && cutouts[1].imageData);
        QCOMPARE(decodePng(*cutouts[0].imageData).size(), QSize(3, 9));
        const QImage first = decodePng(*cutouts[1].imageData);
        QCOMPARE(first.size(), QSize(6, 2));
        QCOMPARE(first.pixelColor(0, 0).alpha(), 100);
        QVERIFY(cutouts[0].id != cutouts[1].id);
        for (const ClipItem& item : cutouts) {
            QVERIFY(item.createdAt >= before && item.createdAt <= QDateTime::currentDateTime());
            QVERIFY(!item.id.isNull());
        }
    }

    void cancellingTheImportDoesNothing()
    {
        launch();
        Log::ScopedCapture log;
        m_app->importToIdeaGallery();
        m_platform->filePanels.answerOpen(std::nullopt);
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(log.lines().isEmpty());
        QVERIFY(m_app->galleryStore().cutouts().isEmpty());
    }

    void importShortcutWorksFromAnOpenWindow()
    {
        launch();
        m_platform->notifications.post(CommandNames::toggleIdeaGallery);
        QWidget* window = m_app->ideaGalleryController()->window();
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_I, Qt::ControlModifier);
        QVERIFY(m_platform->filePanels.hasPendingOpen());
    }

    void trayIconShowsOnDarkAndLightPanels()
    {
        launch();
        QVERIFY(m_app->statusItem());
        const QImage image
            = m_app->statusItem()->icon().pixmap(QSize(22, 22)).toImage().convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!image.isNull());
        // Linux trays do not tint template images, so the icon is a black
        // shape with a white rim: it reads on any panel colour.
        int black = 0;
        int white = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() == 0)
                    continue;
                QCOMPARE(pixel.alpha(), 255);
                black += pixel == QColor(Qt::black) ? 1 : 0;
                white += pixel == QColor(Qt::white) ? 1 : 0;
            }
        }
        QVERIFY2(black > 20 && white > 20, qPrintable(QStringLiteral("%1 black, %2 white").arg(black).arg(white)));
        QVERIFY(black + white < image.width() * image.height() * 3 / 4);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    }

private:
    void launch()
    {
        m_app = std::make_unique<AppDelegate>(m_platform->services(), m_data->path(), m_theme);
        m_app->applicationDidFinishLaunching();
    }

    Theme m_theme;
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<AppDelegate> m_app;
};

QTEST_MAIN(AppDelegateTest)
#include "AppDelegateTest.moc"
