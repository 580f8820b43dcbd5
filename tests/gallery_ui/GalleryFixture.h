#pragma once

#include "TestDoubles.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// A gallery on disk in a temporary folder with both stores and every platform
// service as a double. Items are added oldest first, so the lists end up
// newest first.
struct GalleryFixture {
    QTemporaryDir folder;
    TestPlatformWith<ScriptedFilePanels> platform;
    std::unique_ptr<GalleryStore> store;
    std::unique_ptr<CanvasStore> canvas;

    GalleryFixture()
        : store(std::make_unique<GalleryStore>(folder.path()))
        , canvas(std::make_unique<CanvasStore>(*store, folder.path()))
    {
    }

    ~GalleryFixture()
    {
        canvas->waitForPendingWrites();
        store->waitForPendingWrites();
    }

    static QByteArray png(QColor colour, QSize size = { 40, 40 })
    {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

    QUuid addCutout(QColor colour, const QDateTime& createdAt, QSize size = { 40, 40 })
    {
        const QUuid id = QUuid::createUuid();
        store->addCutout({ id, png(colour, size), createdAt });
        return id;
    }

    QUuid addCollage(QColor colour, const QDateTime& createdAt)
    {
        const QUuid id = QUuid::createUuid();
        store->addCollage({ id, png(colour, { 60, 40 }), createdAt });
        return id;
    }
};
