#include "app/AppDelegate.h"
#include "TestDoubles.h"
#include "app/DisplayProbe.h"
#include "canvas/CanvasStore.h"
#include "capture/CropOverlayWindow.h"
#include "gallery/GalleryStore.h"
#include "platform/CommandNames.h"
#include "platform/Log.h"
#include "support/TestFiles.h"
#include "ui/Theme.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The menu's item titled `title`, if any.
QAction* find(const QMenu* menu, const QString& title)
{
    const QList<QAction*> actions = menu->actions();
    const auto found = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == title; });
    return found == actions.end() ? nullptr : *found;
}

// The top-level window of type `Window`, shown or not.
template <typename Window> Window* topLevel()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(widget))
            return window;
    return nullptr;
}

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { m = std::make_unique<Fixture>(); }
    void cleanup() { m.reset(); }

    void settingsShowAndWriteTheirDefault()
    {
        // "Launch at Login" (else "Shape Recognition"), stored, the login item works, checked after a click. When
        // the login item refuses, the check mark and the preference keep telling the truth.
        const std::tuple<bool, bool, bool, bool> rows[]
            = { { false, false, true, true }, { true, true, true, false }, { true, false, false, false } };
        for (const auto& [login, stored, works, expected] : rows) {
            m = std::make_unique<Fixture>();
            const QString key = login ? "launchAtLogin" : "shapeRecognition.enabled";
            m->platform.defaults.setValue(key, stored);
            m->platform.loginItem.works = works;
            launch();
            QAction* item
                = find(find(statusMenu(), "Settings")->menu(), login ? "Launch at Login" : "Shape Recognition");
            QCOMPARE(item->isChecked(), stored);
            item->trigger();
            QCOMPARE(item->isChecked(), expected);
            QCOMPARE(m->platform.defaults.value(key), QVariant(expected));
            // Only "Launch at Login" asks the login item, for the state the user chose.
            QCOMPARE(m->platform.loginItem.calls, login ? QList<bool> { !stored } : QList<bool> {});
        }
    }

    void cropModeStartsOnce()
    {
        launch();
        m->app->applicationDidFinishLaunching(); // launching twice must not double the handlers
        NotificationRecorder recorder(m->platform.notifications, { CommandNames::cropDidComplete });
        Log::ScopedCapture log;
        m->platform.notifications.post(CommandNames::enterCropMode);
        CropOverlayWindow* overlay = topLevel<CropOverlayWindow>();
        QVERIFY(overlay && overlay->isVisible());
        m->platform.notifications.post(CommandNames::enterCropMode);
        QCOMPARE(topLevel<CropOverlayWindow>(), overlay);
        QVERIFY(recorder.names.isEmpty());
        m->platform.notifications.post(CommandNames::exitCropMode);
        QVERIFY(!overlay->isVisible());
        QCOMPARE(log.lines(),
            (QStringList { "enterCropMode called", "enterCropMode called",
                "already in crop mode, ignoring duplicate call",
                QString("exitCropMode called, window: Optional(CropOverlayWindow(0x%1))").arg(quintptr(overlay), 0, 16),
                "crop mode exited" }));
        QCOMPARE(recorder.names, QStringList { CommandNames::cropDidComplete });
    }

    // On Wayland crop mode waits for the desktop's picture: without a usable
    // one, or once crop mode has ended meanwhile, no overlay comes and crop
    // mode ends once. (A picture that shows: WaylandCaptureE2ETest.)
    void onWaylandTheOverlayWaitsForTheDesktopsPicture()
    {
        const QString prefix = QStringLiteral("[Capture] screenshot portal unavailable: ");
        const QString refused = QStringLiteral("the desktop refused the screenshot (response 1)");
        const std::tuple<QSize, bool, QString> cases[] = {
            // picture (empty: refused), ended first, line logged
            { QSize(), false, prefix + refused },
            { QSize(10, 30), false, prefix + "the desktop's picture (10 x 30) does not match the screens" },
            { QGuiApplication::primaryScreen()->geometry().size(), true, QString() },
        };
        for (const auto& [picture, exitFirst, said] : cases) {
            m = std::make_unique<Fixture>();
            ScriptedScreenshotPortal portal;
            m->platform.screenCapture.portal = &portal;
            launch();
            NotificationRecorder recorder(m->platform.notifications, { CommandNames::cropDidComplete });
            Log::ScopedCapture log;
            m->platform.notifications.post(CommandNames::enterCropMode);
            m->platform.notifications.post(CommandNames::enterCropMode);
            QCOMPARE(portal.requests, 1);
            if (exitFirst)
                m->platform.notifications.post(CommandNames::exitCropMode);
            QImage layout(picture.isEmpty() ? QSize(1, 1) : picture, QImage::Format_RGB32);
            portal.answer(picture.isEmpty() ? DesktopScreenshot { {}, refused } : DesktopScreenshot { layout, {} });
            QVERIFY(!topLevel<CropOverlayWindow>());
            QCOMPARE(log.lines().mid(2, 1), QStringList { "already in crop mode, ignoring duplicate call" });
            QCOMPARE(log.lines().filter("[Capture]"), said.isNull() ? QStringList() : QStringList { said });
            QCOMPARE(recorder.names.size(), 1);
            m->app.reset(); // before the portal it uses
        }
    }

    void importOffersEveryImageTypeInOneFilter()
    {
        launch();
        find(statusMenu(), "Import to Idea Gallery...")->trigger();
        auto* dialog = topLevel<QFileDialog>();
        QVERIFY(dialog && dialog->isVisible() && dialog->fileMode() == QFileDialog::ExistingFiles);
        // One filter shows every importable type at once, so a mixed pick is
        // possible, and it is the one selected. (The pick itself: ImportE2ETest.)
        const QString images = "Images (*.png *.jpg *.jpeg *.heic *.heif *.webp *.gif)";
        QCOMPARE(QStringList { dialog->selectedNameFilter() } + dialog->nameFilters(),
            (QStringList { images, images, "All files (*)" }));
        dialog->reject();
    }

    // More than five pictures show how far the import has come on the tray
    // icon, which is back to its name once they are in.
    void aLongImportShowsItsProgressOnTheTray()
    {
        QCOMPARE(AppDelegate::statusToolTip(3, 5), QStringLiteral("Scrapwick"));

        launch();
        QStringList paths;
        for (int i = 0; i < 6; ++i)
            QVERIFY(writeFile(paths.emplaceBack(m->data.filePath(QString::number(i) + ".png")), solidPng(2, 2)));
        const QSystemTrayIcon* tray = m->app->findChild<QSystemTrayIcon*>();
        m->app->importFiles(paths);
        QCOMPARE(tray->toolTip(), QString("Scrapwick \u2014 importing 1 of 6\u2026"));
        QTRY_COMPARE(m->gallery.cutouts().size(), 6);
        QTRY_COMPARE(tray->toolTip(), QStringLiteral("Scrapwick"));
    }

    void displayChoiceDecidesHowToStart()
    {
        using Env = std::optional<std::string>;
        const Env none, x(":7"), wayland("wayland-0"), xcb("xcb");
        const char* noDisplay = "no X11 or Wayland display found (DISPLAY is not set)";
        const struct {
            const char* name;
            Env display, waylandDisplay, platform;
            bool xAnswers, probesX;
            const char* problem; // null: may start
            Env chosen;
            Env sessionType = {};
        } cases[] = {
            { "x11 silent", x, none, none, false, true, "cannot connect to the X server on display \":7\"", none },
            { "xcb chosen, no display", none, wayland, xcb, true, false, noDisplay, none },
            { "wayland only", none, wayland, none, true, false, "this Wayland session offers none (DISPLAY is not set)",
                none },
            { "wayland chosen", x, wayland, Env("wayland"), false, false, nullptr, none },
            // The login manager says Wayland though WAYLAND_DISPLAY was unset.
            { "wayland session, no socket named", none, none, none, true, false,
                "this Wayland session offers none (DISPLAY is not set)", none, Env("wayland") },
        };
        for (const auto& c : cases) {
            QStringList probed;
            const DisplayChoice choice
                = DisplayProbe::choose({ c.display, c.waylandDisplay, c.platform, c.sessionType }, "/opt/bin/scrapwick",
                    [&](const std::string& name) {
                        probed.append(QString::fromStdString(name));
                        return c.xAnswers;
                    });
            // One line that says what is missing and how to run it anyway.
            const QString text = QString::fromStdString(choice.problem.value_or(""));
            QVERIFY2(probed == (c.probesX ? QStringList { ":7" } : QStringList {}) && choice.platform == c.chosen
                    && choice.problem.has_value() == (c.problem != nullptr) && !text.contains('\n')
                    && (!c.problem
                        || (text.contains(c.problem) && text.endsWith(" under Xvfb: xvfb-run /opt/bin/scrapwick"))),
                qPrintable(QStringLiteral("%1: %2").arg(c.name, text)));
        }
    }

private:
    // Everything a test needs, destroyed in reverse order: the delegate first.
    struct Fixture {
        QTemporaryDir data;
        TestPlatform platform;
        GalleryStore gallery { data.path() };
        CanvasStore canvas { gallery, data.path() };
        std::unique_ptr<AppDelegate> app;
    };

    void launch()
    {
        m->app = std::make_unique<AppDelegate>(m->platform.services(), m->gallery, m->canvas, m_theme);
        m->app->applicationDidFinishLaunching();
    }

    // The tray icon's menu, as the user opens it.
    [[nodiscard]] QMenu* statusMenu() const { return m->app->findChild<QSystemTrayIcon*>()->contextMenu(); }

    Theme m_theme;
    std::unique_ptr<Fixture> m;
};

QTEST_MAIN(AppDelegateTest)
#include "AppDelegateTest.moc"
