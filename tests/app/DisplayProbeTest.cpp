#include "app/DisplayProbe.h"

#include <QtTest>

using Env = std::optional<std::string>;
Q_DECLARE_METATYPE(Env)

class DisplayProbeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decidesHowToStart_data()
    {
        QTest::addColumn<Env>("display");
        QTest::addColumn<Env>("wayland");
        QTest::addColumn<Env>("platform");
        QTest::addColumn<bool>("xAnswers");
        QTest::addColumn<QString>("expectedProblem"); // empty: may start
        QTest::addColumn<Env>("expectedPlatform");
        QTest::addColumn<QStringList>("probedDisplays");

        const Env none;
        const Env xcb("xcb");
        const QString noDisplay = QStringLiteral("no X11 or Wayland display found (DISPLAY is not set)");
        const QString silent = QStringLiteral("cannot connect to the X server on display \":7\"");
        const QString waylandOnly = QStringLiteral("this Wayland session offers none (DISPLAY is not set)");
        const QStringList seven { ":7" };

        QTest::newRow("nothing at all") << none << none << none << true << noDisplay << none << QStringList {};
        QTest::newRow("x11 answers") << Env(":7") << none << none << true << QString() << xcb << seven;
        QTest::newRow("x11 silent") << Env(":7") << none << none << false << silent << none << seven;
        QTest::newRow("xcb chosen, answers") << Env(":7") << none << xcb << true << QString() << none << seven;
        QTest::newRow("xcb chosen, no display")
            << none << Env("wayland-0") << xcb << true << noDisplay << none << QStringList {};
        // Qt would pick Wayland, where nothing can be kept on top and the capture
        // helper sees black windows: XWayland is used instead.
        QTest::newRow("wayland with xwayland")
            << Env(":7") << Env("wayland-0") << none << true << QString() << xcb << seven;
        QTest::newRow("wayland only") << none << Env("wayland-0") << none << true << waylandOnly << none
                                      << QStringList {};
        QTest::newRow("wayland chosen") << Env(":7") << Env("wayland-0") << Env("wayland") << false << QString() << none
                                        << QStringList {};
        QTest::newRow("offscreen chosen")
            << none << none << Env("offscreen") << false << QString() << none << QStringList {};
    }

    void decidesHowToStart()
    {
        QFETCH(Env, display);
        QFETCH(Env, wayland);
        QFETCH(Env, platform);
        QFETCH(bool, xAnswers);
        QFETCH(QString, expectedProblem);
        QFETCH(Env, expectedPlatform);
        QFETCH(QStringList, probedDisplays);

        QStringList probed;
        const DisplayChoice choice
            = DisplayProbe::choose({ display, wayland, platform }, "/opt/bin/scrapwick", [&](const std::string& name) {
                  probed.append(QString::fromStdString(name));
                  return xAnswers;
              });
        QCOMPARE(probed, probedDisplays);
        QCOMPARE(choice.platform, expectedPlatform);
        QCOMPARE(choice.problem.has_value(), !expectedProblem.isEmpty());
        // One line that says what is missing and how to run it anyway.
        const QString text = QString::fromStdString(choice.problem.value_or(""));
        QVERIFY2(text.contains(expectedProblem) && !text.contains(QLatin1Char('\n'))
                && (!choice.problem || text.endsWith(QStringLiteral(" under Xvfb: xvfb-run /opt/bin/scrapwick"))),
            qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(DisplayProbeTest)
#include "DisplayProbeTest.moc"
