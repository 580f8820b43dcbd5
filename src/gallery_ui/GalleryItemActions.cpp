#include "gallery_ui/GalleryItemActions.h"

#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "gallery_ui/DownloadNames.h"
#include "gallery_ui/GalleryListing.h"
#include "gallery_ui/GalleryViewFields.h"
#include "platform/AtomicFile.h"
#include "platform/FilePanels.h"
#include "platform/Log.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "platform/Uuids.h"

#include <QDir>
#include <QImage>
#include <QPointer>
#include <QStandardPaths>
#include <QVariantList>

namespace {

QVariantMap payloadEntry(const QUuid& id, const QByteArray& bytes)
{
    return { { QStringLiteral("imageData"), bytes }, { QStringLiteral("clipItemId"), Uuids::canonicalText(id) } };
}

} // namespace

GalleryItemActions::GalleryItemActions(GalleryStore& store, CanvasStore& canvasStore, const PlatformServices& services,
    GalleryViewFields& fields, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_canvasStore(canvasStore)
    , m_services(services)
    , m_fields(fields)
{
}

void GalleryItemActions::copy(const QUuid& id)
{
    const std::optional<QByteArray> bytes = m_store.imageDataFor(id);
    if (!bytes)
        return;
    const QImage image = QImage::fromData(*bytes, "PNG");
    if (image.isNull())
        return;
    m_services.pasteboard.setImage(image);
    m_fields.closeMenu();
    emit fieldsChanged();
}

void GalleryItemActions::download(const QUuid& id)
{
    const std::optional<QByteArray> bytes = m_store.imageDataFor(id);
    if (!bytes)
        return;
    const GallerySection section = m_fields.selectedSection;
    const std::optional<qsizetype> index = GalleryListing::indexOf(m_store, section, id);
    const QDateTime createdAt
        = index ? GalleryListing::createdAt(m_store, section, *index) : QDateTime::currentDateTime();

    SavePanelRequest request;
    request.title = QStringLiteral("Download");
    request.suggestedFileName = DownloadNames::fileName(createdAt);
    request.mimeTypeFilters = { QStringLiteral("image/png") };
    request.defaultSuffix = QStringLiteral("png");
    request.directory = QStandardPaths::standardLocations(QStandardPaths::DownloadLocation).value(0);
    const QPointer<GalleryItemActions> self(this);
    m_services.filePanels.runSavePanel(request, [self, bytes = *bytes](std::optional<QString> path) {
        if (self && path)
            self->writeDownload(*path, bytes);
    });
    m_fields.closeMenu();
    emit fieldsChanged();
}

void GalleryItemActions::addToMoodBoard(const QUuid& id)
{
    const std::optional<QByteArray> bytes = m_store.imageDataFor(id);
    if (!bytes)
        return;
    m_canvasStore.addLayersFromPayload({ { QStringLiteral("items"), QVariantList { payloadEntry(id, *bytes) } } });
    m_fields.closeMenu();
    emit fieldsChanged();
}

void GalleryItemActions::requestDelete(const QUuid& id)
{
    if (confirmationSuppressed()) {
        deleteOne(id);
        m_fields.closeMenu();
    } else {
        m_fields.dontShowAgain = false;
        m_fields.closeMenu();
        m_fields.deleteConfirmItemId = id;
    }
    emit fieldsChanged();
}

void GalleryItemActions::downloadSelection()
{
    if (m_fields.selectedItemIDs.isEmpty())
        return;
    OpenPanelRequest request;
    request.title = QStringLiteral("Download");
    request.prompt = QStringLiteral("Select Folder");
    request.choosesDirectories = true;
    const QPointer<GalleryItemActions> self(this);
    // The menu stays open while the panel is up; the items are read when it ends.
    m_services.filePanels.runOpenPanel(request, [self](std::optional<QStringList> paths) {
        if (!self)
            return;
        if (paths && !paths->isEmpty()) {
            const GallerySection section = self->m_fields.selectedSection;
            QList<QByteArray> images;
            QList<QDateTime> times;
            for (qsizetype index = 0; index < GalleryListing::count(self->m_store, section); ++index) {
                const QUuid id = GalleryListing::idAt(self->m_store, section, index);
                if (!self->m_fields.selectedItemIDs.contains(id))
                    continue;
                if (std::optional<QByteArray> bytes = self->m_store.imageDataFor(id)) {
                    images.append(std::move(*bytes));
                    times.append(GalleryListing::createdAt(self->m_store, section, index));
                }
            }
            const QDir folder(paths->first());
            const QStringList names = DownloadNames::batchFileNames(times);
            for (qsizetype i = 0; i < images.size(); ++i)
                self->writeDownload(folder.filePath(names[i]), images[i]);
        }
        self->m_fields.selectedItemIDs.clear();
        self->m_fields.closeMenu();
        emit self->fieldsChanged();
    });
}

void GalleryItemActions::addSelectionToMoodBoard()
{
    if (m_fields.selectedItemIDs.isEmpty())
        return;
    const GallerySection section = m_fields.selectedSection;
    QVariantList items;
    for (qsizetype index = 0; index < GalleryListing::count(m_store, section); ++index) {
        const QUuid id = GalleryListing::idAt(m_store, section, index);
        if (!m_fields.selectedItemIDs.contains(id))
            continue;
        if (const std::optional<QByteArray> bytes = m_store.imageDataFor(id))
            items.append(payloadEntry(id, *bytes));
    }
    m_canvasStore.addLayersFromPayload({ { QStringLiteral("items"), items } });
    m_fields.selectedItemIDs.clear();
    m_fields.closeMenu();
    emit fieldsChanged();
}

void GalleryItemActions::requestDeleteSelection()
{
    if (m_fields.selectedItemIDs.isEmpty())
        return;
    if (confirmationSuppressed()) {
        deleteSelection();
        m_fields.selectedItemIDs.clear();
        m_fields.closeMenu();
    } else {
        m_fields.dontShowAgain = false;
        m_fields.closeMenu();
        m_fields.showBatchDeleteConfirm = true;
    }
    emit fieldsChanged();
}

void GalleryItemActions::cancelDelete()
{
    m_fields.deleteConfirmItemId.reset();
    m_fields.showBatchDeleteConfirm = false;
    emit fieldsChanged();
}

void GalleryItemActions::confirmDelete()
{
    if (m_fields.dontShowAgain)
        m_services.defaults.setBool(suppressDeleteConfirmationKey, true);
    if (m_fields.showBatchDeleteConfirm) {
        deleteSelection();
        m_fields.selectedItemIDs.clear();
        m_fields.showBatchDeleteConfirm = false;
    } else if (const std::optional<QUuid> id = std::exchange(m_fields.deleteConfirmItemId, std::nullopt)) {
        deleteOne(*id);
    }
    m_fields.closeMenu();
    emit fieldsChanged();
}

bool GalleryItemActions::confirmationSuppressed() const
{
    return m_services.defaults.boolForKey(suppressDeleteConfirmationKey);
}

void GalleryItemActions::deleteOne(const QUuid& id)
{
    const GallerySection section = m_fields.selectedSection;
    if (!GalleryListing::indexOf(m_store, section, id))
        return;
    if (section == GallerySection::cutouts)
        m_store.deleteCutout(id);
    else
        m_store.deleteCollage(id);
}

void GalleryItemActions::deleteSelection()
{
    // The whole set as it is: it may still hold ids selected in the other
    // section, which the store ignores.
    if (m_fields.selectedSection == GallerySection::cutouts)
        m_store.deleteCutouts(m_fields.selectedItemIDs);
    else
        m_store.deleteCollages(m_fields.selectedItemIDs);
}

void GalleryItemActions::writeDownload(const QString& path, const QByteArray& bytes) const
{
    if (const std::optional<QString> error = AtomicFile::write(path, bytes))
        Log::line(QStringLiteral("[Download] Failed to save ") + path + QStringLiteral(": ") + *error);
}
