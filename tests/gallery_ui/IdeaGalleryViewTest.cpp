// The gallery view on the offscreen platform, driven by recorded pointer input;
// positions are in the window (card at 0, 0; grid area at 16, 98; the first
// column's cells start 52 points into it, the first row 40).
#include "gallery_ui/IdeaGalleryView.h"
#include "GalleryFixture.h"
#include "gallery_ui/DeleteConfirmDialog.h"
#include "gallery_ui/GalleryGridView.h"
#include "gallery_ui/GalleryMenuOverlay.h"
#include "gallery_ui/GalleryThumbnails.h"
#include "gallery_ui/IdeaGalleryViewState.h"
#include "ui/MenuItemRow.h"
#include "ui/Theme.h"

class IdeaGalleryViewTest : public QObject {
    Q_OBJECT

    Theme m_theme;
    std::unique_ptr<GalleryFixture> m_gallery;
    std::unique_ptr<IdeaGalleryViewState> m_state;
    std::unique_ptr<IdeaGalleryView> m_view;

    void press(Qt::MouseButton button, QPoint point)
    {
        QWidget* target = m_view->childAt(point) ? m_view->childAt(point) : m_view.get();
        QTest::mouseClick(target, button, {}, target->mapFrom(m_view.get(), point));
    }

    QStringList menuRows() const
    {
        QStringList labels;
        for (const MenuItemRow* row : m_view->menu()->rows())
            labels.append(row->text() + (row->isEnabled() ? "" : " (disabled)"));
        return labels;
    }

private Q_SLOTS:
    // The same gallery for every test: 60 cut-outs and a collage.
    void init()
    {
        m_gallery = std::make_unique<GalleryFixture>();
        m_state = std::make_unique<IdeaGalleryViewState>();
        const QDateTime start(QDate(2026, 1, 1), QTime(9, 0));
        m_gallery->add(GallerySection::collages, Qt::gray, start);
        for (int i = 0; i < 60; ++i)
            m_gallery->add(GallerySection::cutouts, QColor::fromHsv(i * 20 % 360, 255, 255), start.addSecs(i));
        m_view = std::make_unique<IdeaGalleryView>(
            *m_state, m_gallery->store, m_gallery->canvas, m_gallery->platform.services(), m_theme, [] {}, [] {});
        m_view->resize(601, 472);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup()
    {
        m_view.reset();
        m_gallery.reset();
    }

    void onlyCellsInViewAskForThumbnails()
    {
        // 60 squares make 20 rows of 155; the view holds 3 rows, and keeps one
        // screen above and below: at most 5 rows of 3 at the top.
        QTRY_COMPARE(m_view->thumbnails().pixmapCount(), 9);
        m_view->setContentOffset(1000);
        // Rows 6 to 8 in view (content 1000 to 1358), rows 4 to 10 kept; the top ones let go.
        QTRY_VERIFY(!m_view->thumbnails().pixmap(m_view->grid()->idAt(24)).isNull());
        QVERIFY(m_view->thumbnails().pixmapCount() <= 21);
        QVERIFY(m_view->thumbnails().pixmap(m_view->grid()->idAt(0)).isNull());
    }

    // Select mode with nothing selected: the selection menu, every row grey and inert.
    void anEmptySelectionsMenuDoesNothing()
    {
        const QPoint firstCell(16 + 52 + 62, 98 + 40 + 20);
        press(Qt::LeftButton, { 560, 73 }); // the "Select" toggle
        press(Qt::RightButton, firstCell);
        QCOMPARE(
            menuRows(), (QStringList { "Download (disabled)", "Add to MoodBoard (disabled)", "Delete (disabled)" }));
        m_view->menu()->rows().last()->click();
        QVERIFY(!m_view->deleteDialog()->isVisible());
    }
};

QTEST_MAIN(IdeaGalleryViewTest)
#include "IdeaGalleryViewTest.moc"
