#include "E2ETest.h"

class AppLaunchE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void withoutADisplayItSaysHowToRunIt()
    {
        // A session never started offers programs an empty DISPLAY and no Wayland.
        const CommandResult result = X11Session().run(X11Session::scrapwickPath(), {}, 10000);
        QVERIFY2(result.finished, qPrintable("scrapwick crashed or hung instead of explaining: " + result.errors));
        QVERIFY(result.exitCode != 0);
        QCOMPARE(result.output, QString());
        // One line that says what is missing and how to run it anyway.
        QVERIFY2(result.errors.startsWith("Scrapwick needs a graphical desktop") && result.errors.count('\n') == 1
                && result.errors.contains(" xvfb-run "),
            qPrintable(result.errors));
    }
};

QTEST_GUILESS_MAIN(AppLaunchE2ETest)
#include "AppLaunchE2ETest.moc"
