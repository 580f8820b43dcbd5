// The import: pictures converted from files, bytes and decoded images under
// one memory budget, and the import that brings them into the gallery.
#include "gallery/ImageImporter.h"
#include "gallery/GalleryImporter.h"
#include "gallery/GalleryStore.h"
#include "gallery/HeifCanvasSize.h"
#include "platform/Log.h"
#include "support/TestFiles.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <libheif/heif.h>

#include <memory>

namespace {

using Progress = std::pair<qsizetype, qsizetype>; // done, asked

// Encodes a solid-colour HEIC with libheif's own HEVC encoder; false when the
// build of libheif has none.
bool writeHeic(const QString& path, QSize size, QColor colour)
{
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder).code != heif_error_Ok)
        return false;
    heif_encoder_set_lossy_quality(encoder, 95);
    const bool alpha = colour.alpha() < 255;
    heif_image* image = nullptr;
    heif_image_create(size.width(), size.height(), heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, size.width(), size.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    QImage(plane, size.width(), size.height(), stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888)
        .fill(colour);
    const bool encoded
        = heif_context_encode_image(context.get(), image, encoder, nullptr, nullptr).code == heif_error_Ok;
    heif_image_release(image);
    heif_encoder_release(encoder);
    return encoded
        && heif_context_write_to_file(context.get(), QFile::encodeName(path).constData()).code == heif_error_Ok;
}

} // namespace

class ImageImporterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void convertsWithinTheMemoryBudget_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("colour"); // invalid: refused

        const auto add = [&](const QString& name, QSize size, QColor colour) {
            const QColor fill = colour.isValid() ? colour : QColor(Qt::gray);
            // A HEIC that cannot be made is skipped in the test.
            (void)(name.endsWith(QStringLiteral(".heic"))
                    ? writeHeic(path(name), size, fill)
                    : writeFile(path(name), solidPng(size.width(), size.height(), fill)));
            QTest::newRow(qPrintable(name)) << name << size << colour;
        };
        add("half.png", { 2, 2 }, QColor(255, 0, 0, 128));
        add("sticker.heic", { 32, 24 }, QColor(40, 60, 200, 128));
        // The 1 MiB budget counted as Qt counts: 512 × 512 at 4 bytes a pixel fills it exactly.
        add("within.heic", { 512, 512 }, QColor(Qt::gray));
        add("over.heic", { 512, 513 }, QColor());
        add("over.png", { 512, 513 }, QColor());

        QVERIFY(writeFile(path("cut.png"), readFile(path("half.png")).left(40)));
        QVERIFY(writeFile(path("broken.heic"), QByteArray::fromHex("0000001866747970686569630000")));
        for (const char* name : { "cut.png", "broken.heic", "gone.png" })
            QTest::newRow(name) << QString::fromLatin1(name) << QSize() << QColor();
    }

    // A file, the same bytes without the file, and a decoded picture of the
    // same size all meet the same converter and budget.
    void convertsWithinTheMemoryBudget()
    {
        QFETCH(QString, fileName);
        QFETCH(QSize, size);
        QFETCH(QColor, colour);
        const bool heic = fileName.endsWith(QStringLiteral(".heic"));
        if (heic && !QFile::exists(path(fileName)))
            QSKIP("this libheif has no HEVC encoder to make a test picture with");
        const int limit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(1); // MiB, for every format
        const auto restore = qScopeGuard([limit] { QImageReader::setAllocationLimit(limit); });

        const std::optional<QByteArray> png = ImageImporter::pngDataFromFile(path(fileName));
        QCOMPARE(png.has_value(), colour.isValid());
        QCOMPARE(ImageImporter::pngData({ readFile(path(fileName)), QStringLiteral("dropped image") }), png);
        if (size.isValid()) {
            QImage decoded(size, QImage::Format_ARGB32);
            decoded.fill(Qt::gray);
            QCOMPARE(ImageImporter::pngData({ decoded, QStringLiteral("pasted image") }).has_value(), colour.isValid());
        }
        if (!png)
            return;
        const QImage decoded = QImage::fromData(*png, "png");
        QCOMPARE(decoded.size(), size);
        const int tolerance = heic ? 12 : 0; // HEIC is lossy, its alpha less so
        const QColor c = decoded.pixelColor(decoded.width() / 2, decoded.height() / 2);
        QVERIFY2(qAbs(c.red() - colour.red()) <= tolerance && qAbs(c.green() - colour.green()) <= tolerance
                && qAbs(c.blue() - colour.blue()) <= tolerance && qAbs(c.alpha() - colour.alpha()) <= tolerance / 2,
            qPrintable(c.name(QColor::HexArgb)));
    }

    // A grid image is assembled at the size its description (8 bytes in the
    // 'idat' box here) gives, whatever size the file declares (12 x 9 in both
    // files): that size meets the budget before libheif allocates anything.
    void gridImagesAreMeasuredBeforeDecoding()
    {
        const QByteArray sticker = readFile(QStringLiteral(IMPORT_SEEDS "/sticker.heic"));
        // Found by fuzzing: the description says 17664 x 3081, and libheif
        // made a 163 MB picture before the budget was looked at.
        const QByteArray forged = readFile(QStringLiteral(IMPORT_SEEDS "/found-grid-over-budget.heic"));
        QVERIFY(sticker.size() == 525 && forged.size() == 525);
        QByteArray wideFieldsCutShort = sticker;
        wideFieldsCutShort[sticker.indexOf("idat") + 5] = 1; // 32-bit sizes, which the box has no room for
        const bool made = writeHeic(path("plain.heic"), { 8, 8 }, Qt::red); // not where there is no encoder

        const struct {
            const char* name;
            QByteArray file;
            std::optional<QSize> canvas;
            bool imported;
        } cases[] = {
            { "grid as declared", sticker, QSize(12, 9), true },
            { "grid far larger than declared", forged, QSize(17664, 3081), false },
            { "grid description cut short", wideFieldsCutShort, QSize(), false },
            // libheif writes even a small picture as a grid of one tile.
            { "grid written by libheif", readFile(path("plain.heic")), made ? std::optional(QSize(8, 8)) : std::nullopt,
                made },
            { "not HEIF", solidPng(2, 2), std::nullopt, true },
        };
        const int limit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(32); // MiB: the forged grid needs 163
        const auto restore = qScopeGuard([limit] { QImageReader::setAllocationLimit(limit); });
        for (const auto& c : cases) {
            QVERIFY2(HeifCanvasSize::ofPrimaryImage(c.file) == c.canvas, c.name);
            QVERIFY2(ImageImporter::pngDataFromBytes(c.file).has_value() == c.imported, c.name);
        }
        QVERIFY(writeFile(path("forged.heic"), forged));
        QVERIFY(!ImageImporter::pngDataFromFile(path("forged.heic")));
    }

    // Files, bytes and failures in one request, a second request behind it:
    // pictures come in as cut-outs in the order given (the last given first),
    // the board hears of them in that order on the main thread, one line
    // names the failures (the skipped addresses' line: ImportE2ETest), and
    // progress counts up over both imports and ends at nothing to do.
    void importsInOrderAndSaysWhatFailed()
    {
        const QColor colours[] = { Qt::red, Qt::blue, Qt::green, Qt::yellow };
        QVERIFY(writeFile(path("a.png"), solidPng(4, 4, colours[0])) && writeFile(path("notes.png"), "shopping")
            && writeFile(path("b.png"), solidPng(4, 4, colours[1])));
        GalleryStore store(m_dir.filePath("Scrapwick"));
        GalleryImporter importer(store);
        QList<Progress> progress;
        connect(&importer, &GalleryImporter::progressChanged, [&](qsizetype done, qsizetype asked) {
            progress.append({ done, asked });
        });
        Log::ScopedCapture log;

        ImportRequest first = ImportRequest::fromFiles({ path("a.png"), path("notes.png"), path("b.png") });
        first.sources.append({ solidPng(4, 4, colours[2]), QStringLiteral("dropped image") });
        first.sources.append({ QByteArray("GIF89a?"), QStringLiteral("dropped image") });
        QList<ImportedImage> added;
        QThread* thread = nullptr;
        QObject board;
        importer.importPictures(first, &board, [&](const QList<ImportedImage>& images) {
            added = images;
            thread = QThread::currentThread();
        });
        QImage last(2, 2, QImage::Format_ARGB32);
        last.fill(colours[3]);
        importer.importPictures({ { { last, QStringLiteral("pasted image") } }, {} });
        QCOMPARE(progress.first(), Progress(0, 5));
        QTRY_COMPARE(store.cutouts().size(), 4);
        QTRY_COMPARE(progress.last(), Progress(0, 0));

        QCOMPARE(thread, QThread::currentThread());
        QCOMPARE(added.size(), 3);
        for (int i = 0; i < 4; ++i) {
            const ClipItem& item = store.cutouts()[3 - i];
            QCOMPARE(QImage::fromData(*item.imageData).pixelColor(1, 1), colours[i]);
            if (i < 3)
                QVERIFY(item.id == added[i].id && item.imageData == added[i].pngData);
        }
        QCOMPARE(progress[1], Progress(0, 6));
        for (qsizetype i = 2; i < progress.size(); ++i)
            QVERIFY(progress[i].second - progress[i].first <= progress[i - 1].second - progress[i - 1].first);
        QCOMPARE(log.lines(), QStringList { "[Import] Failed to import 2 file(s): notes.png, dropped image" });
    }

    // The board may close before its pictures are in: they still come into the
    // gallery, and its completion is not called. An importer that goes first
    // hands nothing back.
    void whatOutlivesItsReceivers()
    {
        QVERIFY(writeFile(path("one.png"), solidPng(3, 1)));
        GalleryStore store { QString() };
        auto importer = std::make_unique<GalleryImporter>(store);
        bool called = false;
        auto board = std::make_unique<QObject>();
        importer->importPictures(ImportRequest::fromFiles({ path("one.png") }), board.get(),
            [&](const QList<ImportedImage>&) { called = true; });
        board.reset();
        QTRY_COMPARE(store.cutouts().size(), 1);
        QTRY_COMPARE(importer->picturesAsked(), 0);
        QVERIFY(!called);

        importer->importPictures(ImportRequest::fromFiles({ path("one.png") }), nullptr,
            [&](const QList<ImportedImage>&) { called = true; });
        importer.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(!called && store.cutouts().size() == 1);
    }

private:
    [[nodiscard]] QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(ImageImporterTest)
#include "ImageImporterTest.moc"
