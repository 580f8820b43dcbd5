#include "gallery_ui/GalleryItemActions.h"
#include "GalleryFixture.h"
#include "gallery_ui/DeleteConfirmDialog.h"
#include "gallery_ui/GalleryViewFields.h"
#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

const QDateTime noon(QDate(2026, 3, 5), QTime(12, 0, 0));

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class GalleryItemActionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<GalleryFixture> m_gallery;
    std::unique_ptr<GalleryViewFields> m_fields;
    std::unique_ptr<GalleryItemActions> m_actions;
    // Oldest first: red at noon, green and blue in the same second after it.
    QUuid m_red, m_green, m_blue, m_collage;

    [[nodiscard]] QString folder(const QString& name) const
    {
        const QString path = m_gallery->folder.filePath(name);
        QDir().mkpath(path);
        return path;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_gallery = std::make_unique<GalleryFixture>();
        m_fields = std::make_unique<GalleryViewFields>();
        m_actions = std::make_unique<GalleryItemActions>(
            *m_gallery->store, *m_gallery->canvas, m_gallery->platform.services(), *m_fields);
        m_red = m_gallery->addCutout(Qt::red, noon);
        m_green = m_gallery->addCutout(Qt::green, noon.addSecs(1).addMSecs(100));
        m_blue = m_gallery->addCutout(QColor(0, 0, 255, 128), noon.addSecs(1).addMSecs(700));
        m_collage = m_gallery->addCollage(Qt::gray, noon);
    }

    void cleanup()
    {
        m_actions.reset();
        m_gallery.reset();
    }

    void copyPutsThePictureWithItsAlphaOnTheClipboard()
    {
        m_fields->contextMenuItemId = m_blue;
        m_actions->copy(m_blue);
        QCOMPARE(m_gallery->platform.pasteboard.images.size(), 1);
        QCOMPARE(m_gallery->platform.pasteboard.images[0].pixelColor(5, 5), QColor(0, 0, 255, 128));
        QVERIFY(!m_fields->contextMenuItemId);

        // An id the gallery does not know has no bytes: nothing happens, the menu stays.
        const QUuid unknown = QUuid::createUuid();
        m_fields->contextMenuItemId = unknown;
        m_actions->copy(unknown);
        m_actions->download(unknown);
        m_actions->addToMoodBoard(unknown);
        QCOMPARE(m_gallery->platform.pasteboard.images.size(), 1);
        QVERIFY(!m_gallery->platform.filePanels.hasPendingSave());
        QVERIFY(m_gallery->canvas->layers().isEmpty());
        QCOMPARE(m_fields->contextMenuItemId, unknown);
    }

    void downloadSavesWhereTheUserChoseAndLogsAFailedWrite()
    {
        ScriptedFilePanels& panels = m_gallery->platform.filePanels;
        m_fields->contextMenuItemId = m_red;
        m_actions->download(m_red);
        // The menu closes as the panel opens, which starts in Downloads with the item's time.
        QVERIFY(!m_fields->contextMenuItemId);
        QCOMPARE(panels.lastSaveRequest.suggestedFileName, QStringLiteral("scrapwick_20260305_120000.png"));
        QCOMPARE(panels.lastSaveRequest.directory,
            QStandardPaths::standardLocations(QStandardPaths::DownloadLocation).value(0));
        const QString target = folder(QStringLiteral("out")) + QStringLiteral("/mine.png");
        panels.answerSave(target);
        QCOMPARE(readFile(target), GalleryFixture::png(Qt::red));

        Log::ScopedCapture log;
        m_actions->download(m_green);
        panels.answerSave(std::nullopt); // cancelled: nothing written, nothing said
        const QString impossible = m_gallery->folder.filePath(QStringLiteral("missing/dir/x.png"));
        m_actions->download(m_green);
        panels.answerSave(impossible);
        QVERIFY(!QFile::exists(impossible));
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(log.lines()[0].startsWith(QStringLiteral("[Download] Failed to save ") + impossible + ": "),
            qPrintable(log.lines()[0]));
    }

    void selectionDownloadKeepsEveryItemOfTheSameSecond()
    {
        ScriptedFilePanels& panels = m_gallery->platform.filePanels;
        const QString out = folder(QStringLiteral("batch"));
        // A file already there under an item's name is replaced.
        QFile stale(out + QStringLiteral("/scrapwick_20260305_120000.png"));
        QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("old") == 3);
        stale.close();

        m_fields->isSelectMode = true;
        m_fields->selectedItemIDs = { m_red, m_green, m_blue };
        m_fields->contextMenuItemId = m_red;
        m_actions->downloadSelection();
        QCOMPARE(panels.lastOpenRequest.prompt, QStringLiteral("Select Folder"));
        QVERIFY(panels.lastOpenRequest.choosesDirectories);
        QCOMPARE(m_fields->contextMenuItemId, m_red); // open while the panel is up
        panels.answerOpen(QStringList { out });

        // Newest first: blue keeps the plain name, green (same second) gets "_2".
        const QString stem = out + QStringLiteral("/scrapwick_20260305_");
        QCOMPARE(readFile(stem + "120001.png"), GalleryFixture::png(QColor(0, 0, 255, 128)));
        QCOMPARE(readFile(stem + "120001_2.png"), GalleryFixture::png(Qt::green));
        QCOMPARE(readFile(stem + "120000.png"), GalleryFixture::png(Qt::red));
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), 3);
        QVERIFY(m_fields->selectedItemIDs.isEmpty());
        QVERIFY(!m_fields->contextMenuItemId);
        QVERIFY(m_fields->isSelectMode);

        // Cancelling writes nothing but still empties the selection.
        m_fields->selectedItemIDs = { m_red };
        m_actions->downloadSelection();
        panels.answerOpen(std::nullopt);
        QVERIFY(m_fields->selectedItemIDs.isEmpty());
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), 3);
        // With nothing selected the row does nothing at all.
        m_actions->downloadSelection();
        QVERIFY(!panels.hasPendingOpen());
    }

    void addToMoodBoardSendsTheBytesInListOrder()
    {
        m_actions->addToMoodBoard(m_red);
        QCOMPARE(m_gallery->canvas->layers().size(), 1);
        QCOMPARE(m_gallery->canvas->layers()[0].clipItemId, m_red);

        m_fields->isSelectMode = true;
        m_fields->selectedItemIDs = { m_red, m_blue, QUuid::createUuid() };
        m_actions->addSelectionToMoodBoard();
        const QList<Layer>& layers = m_gallery->canvas->layers();
        QCOMPARE(layers.size(), 3);
        QCOMPARE(layers[1].clipItemId, m_blue);
        QCOMPARE(layers[2].clipItemId, m_red);
        QVERIFY(m_fields->selectedItemIDs.isEmpty());
    }

    void deleteAsksUnlessTheUserSaidNotTo()
    {
        UserDefaults& defaults = m_gallery->platform.defaults;
        // Ticked, then Cancel: nothing deleted, the preference untouched.
        m_fields->dontShowAgain = true;
        m_actions->requestDelete(m_red);
        QCOMPARE(m_fields->deleteConfirmItemId, m_red);
        QVERIFY(!m_fields->dontShowAgain); // the box always starts unticked
        m_fields->dontShowAgain = true;
        m_actions->cancelDelete();
        QVERIFY(!m_fields->isConfirmingDelete());
        QCOMPARE(m_gallery->store->cutouts().size(), 3);
        QVERIFY(!defaults.value(GalleryItemActions::suppressDeleteConfirmationKey).isValid());

        // Ticked, then Delete: gone, and never asked again.
        m_actions->requestDelete(m_red);
        m_fields->dontShowAgain = true;
        m_actions->confirmDelete();
        QCOMPARE(m_gallery->store->cutouts().size(), 2);
        QVERIFY(defaults.boolForKey(GalleryItemActions::suppressDeleteConfirmationKey));
        m_actions->requestDelete(m_green);
        QVERIFY(!m_fields->isConfirmingDelete());
        QCOMPARE(m_gallery->store->cutouts().size(), 1);
        m_gallery->store->waitForPendingWrites();
        QVERIFY(!QFile::exists(
            m_gallery->store->cutoutsFolder() + "/" + m_green.toString(QUuid::WithoutBraces).toUpper() + ".png"));
    }

    void batchDeleteShowsTheCountAndEmptiesTheSelection()
    {
        m_fields->isSelectMode = true;
        m_fields->selectedItemIDs = { m_red, m_green, m_blue };
        m_actions->requestDeleteSelection();
        QVERIFY(m_fields->showBatchDeleteConfirm);
        QCOMPARE(DeleteConfirmDialog::message(int(m_fields->selectedItemIDs.size())),
            QStringLiteral("Are you sure you want to delete 3 images?"));
        QCOMPARE(DeleteConfirmDialog::message(1), QStringLiteral("Are you sure you want to delete this image?"));
        m_actions->confirmDelete();
        QVERIFY(m_gallery->store->cutouts().isEmpty());
        QCOMPARE(m_gallery->store->collages().size(), 1);
        QVERIFY(m_fields->selectedItemIDs.isEmpty());
        QVERIFY(m_fields->isSelectMode);
        QVERIFY(!m_fields->showBatchDeleteConfirm);
    }

    void sectionsAndSelectModeKeepOrForgetTheSelection()
    {
        m_fields->contentOffset = 120;
        m_fields->toggleSelectMode();
        m_fields->toggleSelected(m_red);
        m_fields->selectSection(GallerySection::collages);
        QCOMPARE(m_fields->contentOffset, 0.0);
        QCOMPARE(m_fields->selectedItemIDs, QSet<QUuid> { m_red });
        m_fields->addToSelection({ m_red, m_collage });
        QCOMPARE(m_fields->selectedItemIDs.size(), 2);
        m_fields->toggleSelectMode();
        m_fields->toggleSelectMode();
        QVERIFY(m_fields->selectedItemIDs.isEmpty());
    }
};

QTEST_MAIN(GalleryItemActionsTest)
#include "GalleryItemActionsTest.moc"
