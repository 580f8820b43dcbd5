#pragma once

// What the end-to-end tests share beyond the session itself.
#include "X11Session.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

// In initTestCase: the whole test is skipped on a machine without Xvfb.
#define REQUIRE_XVFB()                                                                                                 \
    if (!X11Session::xvfbAvailable())                                                                                  \
    QSKIP("Xvfb is not installed; scripts/install-deps installs it")

// A file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file names of the stored cut-outs.
inline QStringList storedCutouts(const X11Session& session)
{
    return QDir(session.scrapwickFolder() + "/cutouts").entryList({ "*.png" }, QDir::Files);
}

// The sizes of the stored cut-outs, newest first, as the gallery index lists them.
inline QList<QSize> storedCutoutSizes(const X11Session& session)
{
    QList<QSize> sizes;
    for (const QJsonValue entry :
        QJsonDocument::fromJson(readFile(session.scrapwickFolder() + "/gallery-index.json")).array())
        sizes.append(QImage(session.scrapwickFolder() + "/cutouts/" + entry["id"].toString() + ".png").size());
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

// "Shape Recognition" switched on, as the menu stores it, before the app starts.
inline bool switchShapeRecognitionOn(const X11Session& session)
{
    QFile settings(session.configHome() + "/Scrapwick/Scrapwick.conf");
    return QDir().mkpath(session.configHome() + "/Scrapwick") && settings.open(QIODevice::WriteOnly)
        && settings.write("[General]\nshapeRecognition.enabled=true\n") > 0;
}

// The crop overlay while it is up (it covers the 1920 x 1080 screen), else 0.
inline XWindow cropOverlay(const X11Session& session)
{
    return session.appWindow([](QRect r) { return r == QRect(0, 0, 1920, 1080); });
}

// Screen positions from `from` to `to` in eight steps, for a drag.
inline QList<QPoint> dragLine(QPoint from, QPoint to)
{
    QList<QPoint> points;
    for (int i = 0; i <= 8; ++i)
        points.append(from + (to - from) * i / 8);
    return points;
}

// Waits up to 10 s for `condition`, else fails with what the session's
// programs said.
#define WAIT_FOR(session, condition)                                                                                   \
    QVERIFY2(X11Session::waitUntil([&] { return bool(condition); }, 10000), qPrintable((session).diagnostics()))
