#pragma once

#include "CanvasTestImages.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

// Canvas folders laid out by hand, the way an earlier run (or a damaged disk)
// would have left them.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

inline QString upperId(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

inline QString layerFile(const QString& root, const QUuid& id)
{
    return root + QStringLiteral("/canvas-layers/") + upperId(id) + QStringLiteral(".png");
}

inline QJsonObject layerEntry(const QUuid& id, double x, double y, double width, double height, qint64 zIndex)
{
    return QJsonObject { { QStringLiteral("id"), upperId(id) },
        { QStringLiteral("clipItemId"), upperId(QUuid::createUuid()) },
        { QStringLiteral("name"), QStringLiteral("Layer ") + QString::number(zIndex) },
        { QStringLiteral("positionX"), x }, { QStringLiteral("positionY"), y }, { QStringLiteral("width"), width },
        { QStringLiteral("height"), height }, { QStringLiteral("rotation"), 0 },
        { QStringLiteral("flipHorizontal"), false }, { QStringLiteral("flipVertical"), false },
        { QStringLiteral("zIndex"), zIndex } };
}

inline void writeCanvasRecord(const QString& root, qint64 nextLayerNumber, const QJsonArray& layers)
{
    const QJsonObject record { { QStringLiteral("nextLayerNumber"), nextLayerNumber },
        { QStringLiteral("layers"), layers } };
    writeFile(root + QStringLiteral("/canvas.json"), QJsonDocument(record).toJson());
}
