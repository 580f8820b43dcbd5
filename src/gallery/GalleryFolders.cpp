#include "gallery/GalleryFolders.h"

#include "platform/AtomicFile.h"
#include "platform/Uuids.h"

#include <QDir>
#include <QFileInfo>

GalleryFolders GalleryFolders::inside(const QString& rootFolder)
{
    const QDir root(rootFolder);
    return { root.filePath(sectionName(GallerySection::cutouts)), root.filePath(sectionName(GallerySection::collages)),
        root.filePath(QStringLiteral("gallery-index.json")) };
}

void GalleryFolders::prepare(const QString& rootFolder) const
{
    QDir root(rootFolder);
    const QString legacyCollages = root.filePath(QStringLiteral("moodboards"));
    // QDir::rename would not replace an existing "collages"; that is what we want,
    // the old folder then simply stays.
    if (QFileInfo(legacyCollages).isDir() && !QFileInfo::exists(collages))
        (void)root.rename(legacyCollages, collages);
    // Flushed as they are made: an image written into a folder that a power cut
    // then takes away would be lost although its write was done.
    (void)AtomicFile::makeFolders(cutouts);
    (void)AtomicFile::makeFolders(collages);
}

QString GalleryFolders::folderOf(GallerySection section) const
{
    return section == GallerySection::cutouts ? cutouts : collages;
}

QString GalleryFolders::imagePath(GallerySection section, const QUuid& id) const
{
    return QDir(folderOf(section)).filePath(Uuids::canonicalText(id) + QStringLiteral(".png"));
}
