#pragma once

#include <QString>

// The one reverse-DNS name the desktop knows Scrapwick by (the desktop file,
// the icon, the session-bus name); our own queues are labelled under it too,
// so that every name the program hands out follows one scheme.
inline const QString applicationId = QStringLiteral("io.github.scrapwick.Scrapwick");

// Where the running instance answers on the session bus: the name with its
// dots turned into slashes, as org.freedesktop.Application asks.
inline const QString applicationObjectPath = QStringLiteral("/io/github/scrapwick/Scrapwick");

inline QString applicationQueueLabel(const QString& purpose)
{
    return applicationId + QLatin1Char('.') + purpose;
}
