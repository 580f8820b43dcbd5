#include "E2ETest.h"

#include <QFileInfo>

class AppLaunchE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A session never started offers programs an empty DISPLAY, no Wayland and
    // no session bus: what a terminal outside the desktop has.
    void withoutADisplayOrBus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // a regular expression
        QTest::addColumn<QString>("errors"); // a regular expression
        const QString helper
            = QRegularExpression::escape(QFileInfo(X11Session::scrapwickPath()).path() + "/scrapwick-screencapture");
        // One line that says what is missing and how to run it anyway.
        const QString noDisplay = "^Scrapwick needs a graphical desktop[^\n]* xvfb-run [^\n]*\n$";
        QTest::newRow("plain") << QStringList {} << 1 << "^$" << noDisplay;
        QTest::newRow("a request, nobody to take it") << QStringList { "--crop" } << 1 << "^$" << noDisplay;
        QTest::newRow("version") << QStringList { "--version" } << 0
                                 << "^Scrapwick \\d+\\.\\d+\\.\\d+\nCapture helper: " + helper + "\n$"
                                 << "^$";
        QTest::newRow("help") << QStringList { "--help" } << 0 << "--import[^\n]*\n(.*\n)*Exit status: "
                              << "^$";
        QTest::newRow("bad argument") << QStringList { "--sparkle" } << 2 << "^$"
                                      << "^scrapwick: unknown option --sparkle [^\n]*\n$";
        QTest::newRow("quit") << QStringList { "--quit" } << 0 << "^$"
                              << "^Scrapwick: cannot reach a running instance \\(no session bus[^\n]*; nothing to "
                                 "quit\n$";
    }
    void withoutADisplayOrBus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        const CommandResult result = X11Session().run(X11Session::scrapwickPath(), arguments, 10000);
        QVERIFY2(result.finished, qPrintable("scrapwick crashed or hung: " + result.errors));
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(QRegularExpression(output).match(result.output).hasMatch(), qPrintable(result.output));
        QVERIFY2(QRegularExpression(errors).match(result.errors).hasMatch(), qPrintable(result.errors));
    }
};

QTEST_GUILESS_MAIN(AppLaunchE2ETest)
#include "AppLaunchE2ETest.moc"
