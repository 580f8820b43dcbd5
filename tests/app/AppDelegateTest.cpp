#include "app/AppDelegate.h"
#include "TestDoubles.h"
#include "canvas/CanvasStore.h"
#include "capture/CropOverlayWindow.h"
#include "gallery/GalleryStore.h"
#include "platform/CommandNames.h"
#include "platform/Log.h"
#include "ui/Theme.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
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

// The top-level window of type `Window` (with `title`, when given), shown or not.
template <typename Window = QWidget> Window* topLevel(const QString& title = {})
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<Window*>(widget);
        if (window && (title.isEmpty() || window->windowTitle() == title))
            return window;
    }
    return nullptr;
}

// The "isOpen" values announced under `name`, read strictly as Booleans.
QList<bool> isOpenValues(const NotificationRecorder& recorder, const QString& name)
{
    QList<bool> values;
    for (int i = 0; i < recorder.names.size(); ++i) {
        if (const auto isOpen = NotificationCenter::isOpen(recorder.userInfos[i]); recorder.names[i] == name && isOpen)
            values.append(*isOpen);
    }
    return values;
}

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<TestPlatform>();
        m_gallery = std::make_unique<GalleryStore>(m_data->path());
        m_canvas = std::make_unique<CanvasStore>(*m_gallery, m_data->path());
    }

    void cleanup()
    {
        m_app.reset();
        m_canvas.reset();
        m_gallery.reset();
    }

    void menuHasTheItemsInOrder()
    {
        launch();
        const QMenu* menu = statusMenu();
        QCOMPARE(titles(menu),
            (QStringList { "About Scrapwick", "-", "Import to Idea Gallery...", "Settings", "-", "Check for Updates",
                "Contact Support", "-", "Quit Scrapwick" }));
        QCOMPARE(titles(find(menu, "About Scrapwick")->menu()),
            (QStringList { "Version " EXPECTED_VERSION, "Scrapwick Official Website" }));
        QCOMPARE(titles(find(menu, "Settings")->menu()), (QStringList { "Launch at Login", "Shape Recognition" }));
        QCOMPARE(find(menu, "Import to Idea Gallery...")->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
        QCOMPARE(find(menu, "Quit Scrapwick")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    }

    void settingsShowAndWriteTheirDefault_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("loginItemWorks");
        QTest::addColumn<bool>("expected");
        const QString shape = QStringLiteral("Shape Recognition"), login = QStringLiteral("Launch at Login");
        QTest::newRow("shape recognition on") << shape << "shapeRecognition.enabled" << false << true << true;
        QTest::newRow("shape recognition off") << shape << "shapeRecognition.enabled" << true << true << false;
        QTest::newRow("launch at login on") << login << "launchAtLogin" << false << true << true;
        QTest::newRow("launch at login off") << login << "launchAtLogin" << true << true << false;
        // The check mark and the preference keep telling the truth.
        QTest::newRow("login item refuses") << login << "launchAtLogin" << false << false << false;
    }

    void settingsShowAndWriteTheirDefault()
    {
        QFETCH(QString, title);
        QFETCH(QString, key);
        QFETCH(bool, stored);
        QFETCH(bool, loginItemWorks);
        QFETCH(bool, expected);
        m_platform->defaults.setValue(key, stored);
        m_platform->loginItem.works = loginItemWorks;
        launch();
        QAction* item = find(find(statusMenu(), QStringLiteral("Settings"))->menu(), title);
        QCOMPARE(item->isChecked(), stored);
        Log::ScopedCapture log;
        item->trigger();
        QCOMPARE(item->isChecked(), expected);
        QCOMPARE(m_platform->defaults.value(key), QVariant(expected));
        // Only "Launch at Login" asks the login item, for the state the user chose.
        QCOMPARE(m_platform->loginItem.calls, key == "launchAtLogin" ? QList<bool> { !stored } : QList<bool> {});
        QCOMPARE(log.lines(),
            loginItemWorks ? QStringList() : QStringList { QStringLiteral("[Settings] Could not add the login item") });
    }

    void togglesShowAndHideAndAnnounce()
    {
        launch();
        NotificationRecorder recorder(m_platform->notifications,
            { CommandNames::galleryVisibilityChanged, CommandNames::moodBoardVisibilityChanged });
        for (const QString& toggle : { CommandNames::toggleIdeaGallery, CommandNames::toggleMoodBoard }) {
            const QString title = toggle == CommandNames::toggleMoodBoard ? "Mood Board" : "Idea Gallery";
            m_platform->notifications.post(toggle);
            QWidget* shown = topLevel(title);
            QVERIFY(shown && shown->isVisible());
            m_platform->notifications.post(toggle);
            QVERIFY(!shown->isVisible());
            m_platform->notifications.post(toggle);
            QCOMPARE(topLevel(title), shown); // hidden, not thrown away
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
        CropOverlayWindow* overlay = topLevel<CropOverlayWindow>();
        QVERIFY(overlay && overlay->isVisible());
        m_platform->notifications.post(CommandNames::enterCropMode);
        QCOMPARE(topLevel<CropOverlayWindow>(), overlay);

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
        QVERIFY(!topLevel<CropOverlayWindow>());
        QVERIFY(recorder.names.isEmpty());
        // Without an overlay, exitCropMode still answers, once.
        m_platform->notifications.post(CommandNames::exitCropMode);
        QCOMPARE(log.lines(),
            (QStringList { "enterCropMode called", "Scrapwick: requesting screen capture permission",
                "exitCropMode called, window: nil", "crop mode exited" }));
        QCOMPARE(recorder.names, QStringList { CommandNames::cropDidComplete });
    }

    void importOffersEveryImageTypeAndTakesAMixedPick()
    {
        launch();
        QTemporaryDir files;
        QImage wide(6, 2, QImage::Format_ARGB32);
        wide.fill(Qt::red);
        QVERIFY(wide.save(files.filePath("wide.png")));
        QVERIFY(wide.transformed(QTransform().rotate(90)).save(files.filePath("tall.jpeg")));
        QFile notes(files.filePath("notes.png"));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("not a picture") > 0);
        notes.close();

        Log::ScopedCapture log;
        find(statusMenu(), "Import to Idea Gallery...")->trigger();
        auto* dialog = topLevel<QFileDialog>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Import to Idea Gallery"));
        QCOMPARE(dialog->labelText(QFileDialog::Accept), QStringLiteral("Choose images to import"));
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
        // One filter shows every importable type at once, and it is the one selected.
        const QString images = QStringLiteral("Images (*.png *.jpg *.jpeg *.heic *.heif *.webp *.gif)");
        QCOMPARE(dialog->nameFilters(), (QStringList { images, QStringLiteral("All files (*)") }));
        QCOMPARE(dialog->selectedNameFilter(), images);

        dialog->setDirectory(files.path());
        dialog->selectFile(QStringLiteral("\"wide.png\" \"notes.png\" \"tall.jpeg\""));
        static_cast<QDialog*>(dialog)->accept(); // as the Open button does
        const QList<ClipItem>& cutouts = m_gallery->cutouts();
        QTRY_COMPARE(cutouts.size(), 2);
        QTRY_COMPARE(log.lines(), QStringList { "[Import] Failed to import 1 file(s): notes.png" });
        // Each addition goes first, so the picture chosen last leads.
        QCOMPARE(QImage::fromData(*cutouts[0].imageData, "png").size(), QSize(2, 6));
        QCOMPARE(QImage::fromData(*cutouts[1].imageData, "png").size(), QSize(6, 2));
    }

private:
    void launch()
    {
        m_app = std::make_unique<AppDelegate>(m_platform->services(), *m_gallery, *m_canvas, m_theme);
        m_app->applicationDidFinishLaunching();
    }

    // The tray icon's menu, as the user opens it.
    [[nodiscard]] QMenu* statusMenu() const { return m_app->findChild<QSystemTrayIcon*>()->contextMenu(); }

    Theme m_theme;
    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<GalleryStore> m_gallery;
    std::unique_ptr<CanvasStore> m_canvas;
    std::unique_ptr<AppDelegate> m_app;
};

QTEST_MAIN(AppDelegateTest)
#include "AppDelegateTest.moc"
