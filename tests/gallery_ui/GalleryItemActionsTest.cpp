#include "gallery_ui/GalleryItemActions.h"
#include "TestDoubles.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "gallery_ui/GalleryViewFields.h"
#include "platform/Log.h"

#include "support/TestFiles.h"

#include <QStandardPaths>
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
        section == GallerySection::cutouts ? store.addCutout({ id, solidPng(40, 40, colour), createdAt })
                                           : store.addCollage({ id, solidPng(60, 40, colour), createdAt });
        return id;
    }
};

class GalleryItemActionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<GalleryFixture> m_gallery;
    std::unique_ptr<GalleryViewFields> m_fields;
    std::unique_ptr<GalleryItemActions> m_actions;
    // Oldest first: red at noon, green and blue in the same second after it.
    QUuid m_red, m_green, m_blue, m_collage;
    const QColor m_paleBlue { 0, 0, 255, 128 };

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_actions.reset();
        m_gallery = std::make_unique<GalleryFixture>();
        m_fields = std::make_unique<GalleryViewFields>();
        m_actions = std::make_unique<GalleryItemActions>(
            m_gallery->store, m_gallery->canvas, m_gallery->platform.services(), *m_fields);
        const QDateTime noon(QDate(2026, 3, 5), QTime(12, 0, 0));
        m_red = m_gallery->add(GallerySection::cutouts, Qt::red, noon);
        m_green = m_gallery->add(GallerySection::cutouts, Qt::green, noon.addMSecs(1100));
        m_blue = m_gallery->add(GallerySection::cutouts, m_paleBlue, noon.addMSecs(1700));
        m_collage = m_gallery->add(GallerySection::collages, Qt::gray, noon);
    }

    void copyAndMoodBoardTakeTheItemsBytesAndUnknownItemsDoNothing()
    {
        QList<QImage>& copied = m_gallery->platform.pasteboard.images;
        m_fields->contextMenuItemId = m_blue;
        m_actions->copy(m_blue);
        QVERIFY(copied.size() == 1 && copied[0].pixelColor(5, 5) == m_paleBlue && !m_fields->contextMenuItemId);
        // To the mood board one by one, or a selection in list order, newest first.
        m_actions->addToMoodBoard(m_red);
        m_fields->isSelectMode = true;
        m_fields->selectedItemIDs = { m_red, m_blue, QUuid::createUuid() };
        m_actions->addSelectionToMoodBoard();
        QList<QUuid> added;
        for (const Layer& layer : m_gallery->canvas.layers())
            added.append(layer.clipItemId);
        QCOMPARE(added, (QList<QUuid> { m_red, m_blue, m_red }));
        QVERIFY(m_fields->selectedItemIDs.isEmpty());

        // An id the gallery does not know has no bytes: nothing happens, the menu stays.
        const QUuid unknown = QUuid::createUuid();
        m_fields->contextMenuItemId = unknown;
        m_actions->copy(unknown);
        m_actions->download(unknown);
        m_actions->addToMoodBoard(unknown);
        QVERIFY(copied.size() == 1 && !m_gallery->platform.filePanels.hasPendingSave());
        QVERIFY(m_gallery->canvas.layers().size() == 3 && m_fields->contextMenuItemId == unknown);
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
        const QString target = m_gallery->folder.filePath(QStringLiteral("mine.png"));
        panels.answerSave(target);
        QCOMPARE(readFile(target), solidPng(40, 40, Qt::red));

        Log::ScopedCapture log;
        m_actions->download(m_green);
        panels.answerSave(std::nullopt); // cancelled: nothing written, nothing said
        const QString impossible = m_gallery->folder.filePath(QStringLiteral("missing/dir/x.png"));
        m_actions->download(m_green);
        panels.answerSave(impossible);
        QVERIFY2(log.lines().size() == 1
                && log.lines()[0].startsWith(QStringLiteral("[Download] Failed to save ") + impossible + ": "),
            qPrintable(log.lines().join('\n')));
    }

    void selectionDownloadKeepsEveryItemOfTheSameSecond()
    {
        ScriptedFilePanels& panels = m_gallery->platform.filePanels;
        const QString out = m_gallery->folder.filePath(QStringLiteral("batch"));
        const QString stem = out + QStringLiteral("/scrapwick_20260305_");
        writeFile(stem + "120000.png", "old"); // a file already there under an item's name is replaced
        m_fields->isSelectMode = true;
        m_fields->selectedItemIDs = { m_red, m_green, m_blue };
        m_fields->contextMenuItemId = m_red;
        m_actions->downloadSelection();
        QVERIFY(panels.lastOpenRequest.prompt == QStringLiteral("Select Folder")
            && panels.lastOpenRequest.choosesDirectories);
        QCOMPARE(m_fields->contextMenuItemId, m_red); // open while the panel is up
        panels.answerOpen(QStringList { out });

        // Newest first: blue keeps the plain name, green (same second) gets "_2".
        const QList<QByteArray> written { readFile(stem + "120001.png"), readFile(stem + "120001_2.png"),
            readFile(stem + "120000.png") };
        QCOMPARE(written,
            (QList<QByteArray> {
                solidPng(40, 40, m_paleBlue), solidPng(40, 40, Qt::green), solidPng(40, 40, Qt::red) }));
        QVERIFY(m_fields->selectedItemIDs.isEmpty() && !m_fields->contextMenuItemId && m_fields->isSelectMode);

        // Cancelling writes nothing but still empties the selection; with nothing selected nothing opens.
        m_fields->selectedItemIDs = { m_red };
        m_actions->downloadSelection();
        panels.answerOpen(std::nullopt);
        QVERIFY(m_fields->selectedItemIDs.isEmpty());
        m_actions->downloadSelection();
        QVERIFY(!panels.hasPendingOpen());
    }

    void deleteAsksUnlessTheUserSaidNotTo()
    {
        UserDefaults& defaults = m_gallery->platform.defaults;
        GalleryStore& store = m_gallery->store;
        // Leaving select mode forgets the selection; changing sections keeps it and scrolls to the top.
        m_fields->toggleSelectMode();
        m_fields->toggleSelected(m_red);
        m_fields->toggleSelectMode();
        m_fields->toggleSelectMode();
        m_fields->addToSelection({ m_blue, m_collage });
        m_fields->contentOffset = 120;
        m_fields->selectSection(GallerySection::collages);
        m_fields->selectSection(GallerySection::cutouts);
        QVERIFY(m_fields->contentOffset == 0 && m_fields->selectedItemIDs == (QSet<QUuid> { m_blue, m_collage }));

        // A selection is confirmed first; only the section in view loses items.
        m_actions->requestDeleteSelection();
        QVERIFY(m_fields->showBatchDeleteConfirm);
        m_actions->confirmDelete();
        QVERIFY(store.cutouts().size() == 2 && store.collages().size() == 1);
        QVERIFY(m_fields->selectedItemIDs.isEmpty() && m_fields->isSelectMode && !m_fields->showBatchDeleteConfirm);

        // One item, "don't show again" ticked, then Cancel: nothing deleted, the preference untouched.
        m_fields->dontShowAgain = true;
        m_actions->requestDelete(m_red);
        QVERIFY(m_fields->deleteConfirmItemId == m_red && !m_fields->dontShowAgain); // the box starts unticked
        m_fields->dontShowAgain = true;
        m_actions->cancelDelete();
        QVERIFY(!m_fields->isConfirmingDelete() && store.cutouts().size() == 2);
        QVERIFY(!defaults.value(GalleryItemActions::suppressDeleteConfirmationKey).isValid());

        // Ticked, then Delete: gone, and never asked again.
        m_actions->requestDelete(m_red);
        m_fields->dontShowAgain = true;
        m_actions->confirmDelete();
        QVERIFY(store.cutouts().size() == 1 && defaults.boolForKey(GalleryItemActions::suppressDeleteConfirmationKey));
        m_actions->requestDelete(m_green);
        QVERIFY(!m_fields->isConfirmingDelete() && store.cutouts().isEmpty());
        store.waitForPendingWrites();
        QVERIFY(!QFile::exists(pngIn(store.cutoutsFolder(), m_green)));
    }
};

QTEST_MAIN(GalleryItemActionsTest)
#include "GalleryItemActionsTest.moc"
