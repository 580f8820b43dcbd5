#pragma once

// What the end-to-end tests share beyond the session itself.
#include "X11Session.h"

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
