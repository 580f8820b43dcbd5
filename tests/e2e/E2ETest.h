#pragma once

// What the end-to-end tests share beyond the session itself.
#include "X11Session.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QtTest>

// In initTestCase: the whole test is skipped on a machine without Xvfb.
#define REQUIRE_XVFB()                                                                                                 \
    if (!X11Session::xvfbAvailable())                                                                                  \
    QSKIP("Xvfb is not installed; scripts/install-deps installs it")

// Waits up to 10 s for `condition`, else fails with what the session's
// programs said.
#define WAIT_FOR(session, condition)                                                                                   \
    QVERIFY2(QTest::qWaitFor([&] { return bool(condition); }, 10000), qPrintable((session).diagnostics()))

// A picture of one colour saved as `name` in `dir`; its path.
inline QString pictureFile(const QTemporaryDir& dir, const QString& name, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(dir.filePath(name)) ? dir.filePath(name) : QString();
}

// The file names of the stored cut-outs.
inline QStringList storedCutouts(const X11Session& session)
{
    return QDir(session.scrapwickFolder() + "/cutouts").entryList({ "*.png" }, QDir::Files);
}

// The stored cut-outs' pictures and sizes, newest first, as the gallery index lists them.
inline QList<QImage> storedCutoutImages(const X11Session& session)
{
    QList<QImage> images;
    for (const QJsonValue entry :
        QJsonDocument::fromJson(readFile(session.scrapwickFolder() + "/gallery-index.json")).array())
        images.append(QImage(session.scrapwickFolder() + "/cutouts/" + entry["id"].toString() + ".png"));
    return images;
}
inline QList<QSize> storedCutoutSizes(const X11Session& session)
{
    QList<QSize> sizes;
    for (const QImage& image : storedCutoutImages(session))
        sizes.append(image.size());
    return sizes;
}

// `box` traced with a shaky hand, corner to corner, back to near the start.
inline QList<QPoint> roughRectangle(const QRect& box)
{
    const QPoint corners[] = { box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft(), box.topLeft() };
    QList<QPoint> points;
    for (int side = 0; side < 4; ++side)
        for (int k = 0; k < 20; ++k)
            points.append(
                corners[side] + (corners[side + 1] - corners[side]) * k / 20 + QPoint(1, 1) * (k * 7 % 5 - 2));
    return points << box.topLeft() + QPoint(2, 2);
}

// Screen positions from `from` to `to` in eight steps, for a drag.
inline QList<QPoint> dragLine(QPoint from, QPoint to)
{
    QList<QPoint> points;
    for (int i = 0; i <= 8; ++i)
        points.append(from + (to - from) * i / 8);
    return points;
}

// "Shape Recognition" switched on, as the menu stores it, before the app starts.
inline void switchShapeRecognitionOn(const X11Session& session)
{
    QSettings(session.configHome() + "/Scrapwick/Scrapwick.conf", QSettings::IniFormat)
        .setValue("shapeRecognition.enabled", true);
}

// The crop overlay while it is up (it covers the 1920 x 1080 screen), else 0.
inline XWindow cropOverlay(const X11Session& session)
{
    return session.appWindow([](QRect r) { return r == QRect(0, 0, 1920, 1080); });
}

// A click, the pointer moved away after, so that no hover look stays.
inline bool press(const X11Session& session, XWindow window, QPoint point)
{
    return session.click(window, point) && session.xdotool({ "mousemove", "0", "540" }).succeeded();
}

// The window of tests/e2e/TestWindow.cpp on the session, and its centre on the
// screen once it shows (null when it does not).
inline std::pair<std::unique_ptr<QProcess>, QPoint> showTestWindow(
    const X11Session& session, const QStringList& arguments)
{
    auto window = startProcess(TEST_WINDOW, arguments, session.environment());
    const QStringList found
        = session
              .run("xdotool", { "search", "--sync", "--onlyvisible", "--pid", QString::number(window->processId()) },
                  10000)
              .output.split('\n', Qt::SkipEmptyParts);
    return { std::move(window), found.isEmpty() ? QPoint() : session.screenGeometry(found.last().toUInt()).center() };
}
