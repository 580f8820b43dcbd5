#pragma once

// What the capture tests do alike, on any desktop.
#include "X11Session.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QPoint>
#include <QRect>

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

inline QStringList storedCutouts(const X11Session& session)
{
    return QDir(session.scrapwickFolder() + "/cutouts").entryList({ "*.png" }, QDir::Files);
}

// "Shape Recognition" switched on, as the menu stores it, before the app starts.
inline bool switchShapeRecognitionOn(const X11Session& session)
{
    QFile settings(session.configHome() + "/Scrapwick/Scrapwick.conf");
    return QDir().mkpath(session.configHome() + "/Scrapwick") && settings.open(QIODevice::WriteOnly)
        && settings.write("[General]\nshapeRecognition.enabled=true\n") > 0;
}
