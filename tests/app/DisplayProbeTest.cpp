#include "app/DisplayProbe.h"

#include <QtTest>

using Env = std::optional<std::string>;
Q_DECLARE_METATYPE(Env)

class DisplayProbeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decidesWhetherToStart_data()
    {
        QTest::addColumn<Env>("display");
        QTest::addColumn<Env>("wayland");
        QTest::addColumn<Env>("platform");
        QTest::addColumn<bool>("xAnswers");
        QTest::addColumn<QString>("expectedProblem"); // empty: may start
        QTest::addColumn<QStringList>("probedDisplays");

        const Env none;
        const QString noDisplay = QStringLiteral("no X11 or Wayland display found (DISPLAY is not set)");
        const QString silent = QStringLiteral("cannot connect to the X server on display \":7\"");

        QTest::newRow("nothing at all") << none << none << none << true << noDisplay << QStringList {};
        QTest::newRow("x11 answers") << Env(":7") << none << none << true << QString() << QStringList { ":7" };
        QTest::newRow("x11 silent") << Env(":7") << none << none << false << silent << QStringList { ":7" };
        QTest::newRow("xcb chosen, silent")
            << Env(":7") << none << Env("xcb") << false << silent << QStringList { ":7" };
        QTest::newRow("xcb chosen, no display")
            << none << Env("wayland-0") << Env("xcb") << true << noDisplay << QStringList {};
        QTest::newRow("wayland only") << none << Env("wayland-0") << none << false << QString() << QStringList {};
        QTest::newRow("wayland session with xwayland")
            << Env(":7") << Env("wayland-0") << none << false << QString() << QStringList {};
        QTest::newRow("offscreen chosen") << none << none << Env("offscreen") << false << QString() << QStringList {};
        QTest::newRow("vnc chosen, silent x")
            << Env(":7") << none << Env("vnc") << false << QString() << QStringList {};
    }

    void decidesWhetherToStart()
    {
        QFETCH(Env, display);
        QFETCH(Env, wayland);
        QFETCH(Env, platform);
        QFETCH(bool, xAnswers);
        QFETCH(QString, expectedProblem);
        QFETCH(QStringList, probedDisplays);

        QStringList probed;
        const auto problem
            = DisplayProbe::problem({ display, wayland, platform }, "/opt/bin/scrapwick", [&](const std::string& name) {
                  probed.append(QString::fromStdString(name));
                  return xAnswers;
              });
        QCOMPARE(probed, probedDisplays);
        if (expectedProblem.isEmpty()) {
            QVERIFY2(!problem, problem ? problem->c_str() : "");
            return;
        }
        QVERIFY(problem.has_value());
        const QString text = QString::fromStdString(*problem);
        QVERIFY2(text.contains(expectedProblem), qPrintable(text));
        QVERIFY(text.startsWith(QStringLiteral("Scrapwick needs a graphical desktop")));
        QVERIFY(text.endsWith(QStringLiteral("xvfb-run /opt/bin/scrapwick")));
        QVERIFY(!text.contains(QLatin1Char('\n')));
    }

    void aDisplayNobodyServesDoesNotAnswer()
    {
        // Display numbers this high are never served on a test machine.
        QVERIFY(!DisplayProbe::x11DisplayAnswers(":59999"));
        QVERIFY(!DisplayProbe::x11DisplayAnswers("not a display"));
    }
};

QTEST_GUILESS_MAIN(DisplayProbeTest)
#include "DisplayProbeTest.moc"
