#include "GalleryDriver.h"
#include "GallerySeed.h"
#include "X11Session.h"

#include <QtTest>

namespace {

#define REQUIRE_XVFB()                                                                                                 \
    if (!X11Session::xvfbAvailable())                                                                                  \
    QSKIP("Xvfb is not installed; scripts/install-deps installs it")

} // namespace

class GalleryE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void heartOpensAFramelessCentredGallery()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .compositor = true });
        QVERIFY(session.start());
        const QList<SeedItem> items = GallerySeed::sample();
        QVERIFY(GallerySeed::write(session.scrapwickFolder(), items));
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        GalleryDriver gallery(session);
        QVERIFY2(gallery.open(), qPrintable(session.diagnostics()));
        QTest::qWait(1500);
        if (!qEnvironmentVariableIsEmpty("GALLERY_SHOT"))
            gallery.image().save(qEnvironmentVariable("GALLERY_SHOT"));
    }
};

QTEST_GUILESS_MAIN(GalleryE2ETest)
#include "GalleryE2ETest.moc"
