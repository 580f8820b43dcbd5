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
        QTest::newRow("xcb chosen, no display")
            << none << Env("wayland-0") << Env("xcb") << true << noDisplay << QStringList {};
        QTest::newRow("wayland only") << none << Env("wayland-0") << none << false << QString() << QStringList {};
        QTest::newRow("offscreen chosen") << none << none << Env("offscreen") << false << QString() << QStringList {};
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
        QCOMPARE(problem.has_value(), !expectedProblem.isEmpty());
        // One line that says what is missing and how to run it anyway.
        const QString text = QString::fromStdString(problem.value_or(""));
        QVERIFY2(text.contains(expectedProblem) && !text.contains(QLatin1Char('\n'))
                && (!problem || text.endsWith(QStringLiteral("xvfb-run /opt/bin/scrapwick"))),
            qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(DisplayProbeTest)
#include "DisplayProbeTest.moc"
