#pragma once

#include "TestDoubles.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

// A gallery on disk in a temporary folder with both stores and every platform
// service as a double; destroying the stores finishes their writes.
struct GalleryFixture {
    QTemporaryDir folder;
    TestPlatformWith<ScriptedFilePanels> platform;
    GalleryStore store { folder.path() };
    CanvasStore canvas { store, folder.path() };

    // A 40 x 40 cut-out or a 60 x 40 collage. Added oldest first, the lists end up newest first.
    QUuid add(GallerySection section, QColor colour, const QDateTime& createdAt)
    {
        const QUuid id = QUuid::createUuid();
        if (section == GallerySection::cutouts)
            store.addCutout({ id, solidPng(40, 40, colour), createdAt });
        else
            store.addCollage({ id, solidPng(60, 40, colour), createdAt });
        return id;
    }
};
