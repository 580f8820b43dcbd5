#pragma once

#include "platform/PlatformServices.h"

#include <QObject>
#include <QString>
#include <QUuid>

class CanvasStore;
class GalleryStore;
struct GalleryViewFields;

// What the gallery's menus and its delete confirmation do: copy, download,
// add to the mood board and delete, for one item or for the selection. Works
// on the view's fields and the stores; the view only shows the result.
// Failures are never shown; a failed file write is logged in one line.
class GalleryItemActions : public QObject {
    Q_OBJECT

public:
    // Set by the dialog's "Don't ask me again"; nothing clears it.
    static inline const QString suppressDeleteConfirmationKey = QStringLiteral("gallery.suppressDeleteConfirmation");

    GalleryItemActions(GalleryStore& store, CanvasStore& canvasStore, const PlatformServices& services,
        GalleryViewFields& fields, QObject* parent = nullptr);

    // One item (the menu outside select mode). An item without image bytes
    // makes Copy, Download and Add to MoodBoard do nothing, menu left open.
    void copy(const QUuid& id);
    void download(const QUuid& id);
    void addToMoodBoard(const QUuid& id);
    void requestDelete(const QUuid& id);

    // The selection (the menu in select mode); nothing at all when it is empty.
    void downloadSelection();
    void addSelectionToMoodBoard();
    void requestDeleteSelection();

    // The confirmation's two buttons.
    void cancelDelete();
    void confirmDelete();

Q_SIGNALS:
    // Any of the view's fields changed: the menu, the dialog or the selection.
    void fieldsChanged();

private:
    [[nodiscard]] bool confirmationSuppressed() const;
    void deleteOne(const QUuid& id);
    void deleteSelection();
    void writeDownload(const QString& path, const QByteArray& bytes) const;

    GalleryStore& m_store;
    CanvasStore& m_canvasStore;
    PlatformServices m_services;
    GalleryViewFields& m_fields;
};
