#include "gallery_ui/DownloadNames.h"

#include <QHash>

namespace DownloadNames {

namespace {

QString stem(const QDateTime& createdAt)
{
    return QStringLiteral("scrapwick_") + createdAt.toLocalTime().toString(QStringLiteral("yyyyMMdd_HHmmss"));
}

} // namespace

QString fileName(const QDateTime& createdAt)
{
    return stem(createdAt) + QStringLiteral(".png");
}

QStringList batchFileNames(const QList<QDateTime>& createdAt)
{
    QStringList names;
    QHash<QString, int> seen;
    for (const QDateTime& time : createdAt) {
        const QString base = stem(time);
        const int count = ++seen[base];
        names.append(count == 1 ? base + QStringLiteral(".png") : base + QStringLiteral("_%1.png").arg(count));
    }
    return names;
}

} // namespace DownloadNames
