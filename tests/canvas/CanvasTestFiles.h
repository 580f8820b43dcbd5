#pragma once

#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"

#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTemporaryDir>

// Red top-left, green top-right, blue bottom-left, white bottom-right: any
// turn or mirror moves the colours somewhere else.
inline QByteArray quadrantPng(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    QPainter painter(&image);
    const int half = side / 2;
    painter.fillRect(0, 0, half, half, Qt::red);
    painter.fillRect(half, 0, side - half, half, Qt::green);
    painter.fillRect(0, half, half, side - half, Qt::blue);
    painter.fillRect(half, half, side - half, side - half, Qt::white);
    painter.end();
    return pngOf(image);
}

inline QString layerFile(const QString& root, const QUuid& id)
{
    return pngIn(root + QStringLiteral("/canvas-layers"), id);
}

// Writes the record and a small image for each layer entry.
inline void writeCanvas(const QString& root, qint64 nextLayerNumber, const QList<QJsonObject>& entries)
{
    QJsonArray layers;
    for (const QJsonObject& entry : entries) {
        layers.append(entry);
        writeFile(layerFile(root, QUuid::fromString(entry.value(QStringLiteral("id")).toString())), solidPng(4, 4));
    }
    const QJsonObject record { { QStringLiteral("nextLayerNumber"), nextLayerNumber },
        { QStringLiteral("layers"), layers } };
    writeFile(root + QStringLiteral("/canvas.json"), QJsonDocument(record).toJson());
}

inline QJsonObject layerEntry(const QUuid& id, double width, double height, qint64 zIndex, const QString& name = {})
{
    return QJsonObject { { QStringLiteral("id"), upperId(id) },
        { QStringLiteral("clipItemId"), upperId(QUuid::createUuid()) }, { QStringLiteral("name"), name },
        { QStringLiteral("positionX"), 0 }, { QStringLiteral("positionY"), 0 }, { QStringLiteral("width"), width },
        { QStringLiteral("height"), height }, { QStringLiteral("rotation"), 0 },
        { QStringLiteral("flipHorizontal"), false }, { QStringLiteral("flipVertical"), false },
        { QStringLiteral("zIndex"), zIndex } };
}

// A temporary folder with a gallery store and a canvas store on it.
struct CanvasFolder {
    QTemporaryDir dir;
    GalleryStore gallery { dir.path() };
    std::unique_ptr<CanvasStore> store = std::make_unique<CanvasStore>(gallery, dir.path());

    QString root() const { return dir.path(); }
    void close()
    {
        if (store)
            store->waitForPendingWrites();
        store.reset();
    }
    // Another canvas store on the same folder, as after a restart.
    CanvasStore& reopen()
    {
        close();
        store = std::make_unique<CanvasStore>(gallery, root());
        return *store;
    }
    ~CanvasFolder() { close(); }
};
