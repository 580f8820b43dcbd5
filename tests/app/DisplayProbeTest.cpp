#include "app/DisplayProbe.h"

#include <QtTest>

class DisplayProbeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decidesHowToStart()
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
        } cases[] = {
            { "nothing at all", none, none, none, true, false, noDisplay, none },
            { "x11 silent", x, none, none, false, true, "cannot connect to the X server on display \":7\"", none },
            { "xcb chosen, answers", x, none, xcb, true, true, nullptr, none },
            { "xcb chosen, no display", none, wayland, xcb, true, false, noDisplay, none },
            // Qt would pick Wayland, where nothing can be kept on top and the capture
            // helper sees black windows: XWayland is used instead.
            { "wayland with xwayland", x, wayland, none, true, true, nullptr, xcb },
            { "wayland only", none, wayland, none, true, false, "this Wayland session offers none (DISPLAY is not set)",
                none },
            { "wayland chosen", x, wayland, Env("wayland"), false, false, nullptr, none },
        };
        for (const auto& c : cases) {
            QStringList probed;
            const DisplayChoice choice = DisplayProbe::choose(
                { c.display, c.waylandDisplay, c.platform }, "/opt/bin/scrapwick", [&](const std::string& name) {
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
};

QTEST_GUILESS_MAIN(DisplayProbeTest)
#include "DisplayProbeTest.moc"
