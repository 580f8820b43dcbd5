#include "StoreWorkload.h"

#include "canvas/CanvasRendering.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "platform/Uuids.h"
#include "support/TestFiles.h"

#include <functional>
#include <random>
#include <unistd.h>

namespace {

// Captures and imports, collages, deletions, layers from gallery items, every edit
// of the mood board, undo, redo and clear.
class StoreWorkload {
public:
    StoreWorkload(const QString& root, quint64 seed)
        : m_random(seed)
        , m_gallery(root)
        , m_canvas(m_gallery, root)
    {
        m_canvas.setContentArea({ 60, 60 }); // small layers, so collages render fast
    }

    void run(qint64 changes)
    {
        for (m_change = 1; m_change <= changes; ++m_change) {
            change();
            m_gallery.afterPendingWrites([this, done = "done " + QByteArray::number(m_change)] { report(done); });
        }
    }

private:
    void report(const QByteArray& line) const
    {
        const QByteArray text = line + '\n';
        (void)::write(STDOUT_FILENO, text.constData(), size_t(text.size()));
    }

    // "<what> <change> <ID>[ <hash>]"
    QUuid report(const char* what, const QUuid& id, const QByteArray& png = {}) const
    {
        const QByteArray hash = png.isEmpty() ? QByteArray() : ' ' + QByteArray::number(qHash(png, 0));
        report(what + (' ' + QByteArray::number(m_change) + ' ' + Uuids::canonicalText(id).toLatin1() + hash));
        return id;
    }

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }
    QPointF somewhere() { return QPointF(pick(81) - 40, pick(81) - 40) / 1.5; }

    // An item of one section; an id nobody has when the section is empty.
    QUuid itemIn(bool cutouts)
    {
        const int count = int(cutouts ? m_gallery.cutouts().size() : m_gallery.collages().size());
        const int at = count > 0 ? pick(count) : -1;
        return at < 0 ? QUuid::createUuid() : cutouts ? m_gallery.cutouts()[at].id : m_gallery.collages()[at].id;
    }

    void change()
    {
        // Deletions grow likelier with the gallery, so it stays small across rounds.
        const int roll = pick(100), deletions = m_gallery.cutouts().size() > 40 ? 30 : 8;
        if (roll < 15) { // a capture or an import
            const QByteArray png = solidPng(1 + pick(40), 1 + pick(40), QColor::fromRgb(quint32(m_random())));
            m_gallery.addCutout({ report("item", QUuid::createUuid(), png), png, QDateTime::currentDateTimeUtc() });
        } else if (roll < 18) { // "Save to Collages": the board rendered as the export does
            const auto bounds = m_canvas.contentBounds();
            const auto image = bounds ? m_canvas.renderImage(*bounds) : std::nullopt;
            if (const auto png = image ? CanvasRendering::pngData(*image) : std::nullopt)
                m_gallery.addCollage(
                    { report("item", QUuid::createUuid(), *png), *png, QDateTime::currentDateTimeUtc() });
        } else if (roll < 18 + deletions) {
            const bool cutouts = pick(4) != 0;
            QSet<QUuid> ids;
            for (int i = 1 + pick(3) * pick(2); i > 0; --i)
                ids.insert(itemIn(cutouts));
            for (const QUuid& id : std::as_const(ids))
                report("gone", id);
            if (ids.size() > 1)
                cutouts ? m_gallery.deleteCutouts(ids) : m_gallery.deleteCollages(ids);
            else
                cutouts ? m_gallery.deleteCutout(*ids.begin()) : m_gallery.deleteCollage(*ids.begin());
        } else if (roll < 30 + deletions || m_canvas.layers().isEmpty()) {
            addLayersFromGallery();
        } else {
            changeCanvas();
        }
    }

    // "Add to MoodBoard" of a few items, or one item dropped on the board.
    void addLayersFromGallery()
    {
        QVariantList items;
        std::pair<QUuid, QByteArray> dropped;
        for (int i = 1 + pick(3); i > 0; --i) {
            const QUuid id = itemIn(pick(3) != 0);
            if (const auto bytes = m_gallery.imageDataFor(id))
                items.append(QVariantMap { { QStringLiteral("imageData"), *bytes },
                    { QStringLiteral("clipItemId"), Uuids::canonicalText(id) } }),
                    dropped = { id, *bytes };
        }
        if (items.isEmpty() || pick(2) == 0)
            return (void)m_canvas.addLayersFromPayload({ { QStringLiteral("items"), items } });
        m_canvas.pushUndoSnapshot();
        (void)m_canvas.addLayer(dropped.first, dropped.second, somewhere(), false);
    }

    void changeCanvas()
    {
        const QList<Layer>& layers = m_canvas.layers();
        if (layers.size() > 16)
            return m_canvas.clearCanvas();
        const QUuid id = layers[pick(int(layers.size()))].id;
        m_canvas.setSelectedLayerId(id);
        const std::function<void()> edits[] = { [&] { m_canvas.commitMove(id, somewhere()); },
            [&] { m_canvas.commitTransform(id, somewhere(), pick(61) - 30, pick(61) - 30); },
            [&] { m_canvas.commitRotation(id, pick(1441) - 720); },
            [&] { m_canvas.rotateSelectedLayer(pick(2) ? 90 : -90); },
            [&] { m_canvas.flipSelectedLayerHorizontally(); }, [&] { m_canvas.flipSelectedLayerVertically(); },
            [&] { m_canvas.duplicateSelectedLayer(); }, [&] { m_canvas.bringSelectedLayerForward(); },
            [&] { m_canvas.sendSelectedLayerBackward(); }, [&] { m_canvas.bringSelectedLayerToFront(); },
            [&] { m_canvas.sendSelectedLayerToBack(); }, [&] { m_canvas.deleteLayer(id); }, [&] { m_canvas.undo(); },
            [&] { m_canvas.undo(); }, [&] { m_canvas.redo(); },
            [&] { pick(8) == 0 ? m_canvas.clearCanvas() : m_canvas.redo(); } };
        edits[pick(int(std::size(edits)))]();
    }

    std::mt19937_64 m_random;
    qint64 m_change = 0;
    GalleryStore m_gallery;
    CanvasStore m_canvas;
};

} // namespace

int runStoreWorkload(const QString& root, quint64 seed, int changes)
{
    StoreWorkload(root, seed).run(changes);
    return 0;
}
