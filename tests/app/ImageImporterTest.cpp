#include "app/ImageImporter.h"
#include "support/TestFiles.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <libheif/heif.h>

#include <memory>

namespace {

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

        QVERIFY(writeFile(path("cut.png"), readFile(path("half.png")).left(40)));
        QVERIFY(writeFile(path("broken.heic"), QByteArray::fromHex("0000001866747970686569630000")));
        for (const char* name : { "cut.png", "broken.heic", "gone.png" })
            QTest::newRow(name) << QString::fromLatin1(name) << QSize() << QColor();
    }

    void convertsWithinTheMemoryBudget()
    {
        QFETCH(QString, fileName);
        QFETCH(QColor, colour);
        const bool heic = fileName.endsWith(QStringLiteral(".heic"));
        if (heic && !QFile::exists(path(fileName)))
            QSKIP("this libheif has no HEVC encoder to make a test picture with");
        const int limit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(1); // MiB, for every format
        const auto restore = qScopeGuard([limit] { QImageReader::setAllocationLimit(limit); });

        const std::optional<QByteArray> png = ImageImporter::pngDataFromFile(path(fileName));
        QCOMPARE(png.has_value(), colour.isValid());
        if (!png)
            return;
        const QImage decoded = QImage::fromData(*png, "png");
        QTEST(decoded.size(), "size");
        const int tolerance = heic ? 12 : 0; // HEIC is lossy, its alpha less so
        const QColor c = decoded.pixelColor(decoded.width() / 2, decoded.height() / 2);
        QVERIFY2(qAbs(c.red() - colour.red()) <= tolerance && qAbs(c.green() - colour.green()) <= tolerance
                && qAbs(c.blue() - colour.blue()) <= tolerance && qAbs(c.alpha() - colour.alpha()) <= tolerance / 2,
            qPrintable(c.name(QColor::HexArgb)));
    }

    void backgroundConversionAnswersOnTheMainThreadUnlessTheReceiverIsGone()
    {
        QVERIFY(writeFile(path("one.png"), solidPng(3, 1)));
        QObject receiver;
        QThread* answeringThread = nullptr;
        ImageImporter::convertInBackground(
            { path("one.png") }, &receiver, [&](const ImportResult&) { answeringThread = QThread::currentThread(); });
        QTRY_COMPARE(answeringThread, QThread::currentThread());

        bool called = false;
        auto doomed = std::make_unique<QObject>();
        ImageImporter::convertInBackground(
            { path("one.png") }, doomed.get(), [&](const ImportResult&) { called = true; });
        doomed.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(!called);
    }

private:
    [[nodiscard]] QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(ImageImporterTest)
#include "ImageImporterTest.moc"
