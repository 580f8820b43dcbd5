#include "app/ImageImporter.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <libheif/heif.h>

#include <memory>

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

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
    const int channels = alpha ? 4 : 3;
    heif_image* image = nullptr;
    heif_image_create(size.width(), size.height(), heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, size.width(), size.height(), 8);
    int stride = 0;
    uint8_t* row = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const uint8_t rgba[]
        = { uint8_t(colour.red()), uint8_t(colour.green()), uint8_t(colour.blue()), uint8_t(colour.alpha()) };
    for (int y = 0; y < size.height(); ++y, row += stride)
        for (int x = 0; x < size.width(); ++x)
            std::copy(rgba, rgba + channels, row + x * channels);
    const bool encoded
        = heif_context_encode_image(context.get(), image, encoder, nullptr, nullptr).code == heif_error_Ok;
    heif_image_release(image);
    heif_encoder_release(encoder);
    return encoded
        && heif_context_write_to_file(context.get(), QFile::encodeName(path).constData()).code == heif_error_Ok;
}

// A solid picture, as HEIC when the name says so, else as PNG.
bool writePicture(const QString& path, QSize size, QColor colour)
{
    if (path.endsWith(QStringLiteral("heic"), Qt::CaseInsensitive))
        return writeHeic(path, size, colour);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image.save(path);
}

} // namespace

class ImageImporterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void convertsWithinTheMemoryBudget_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("budget"); // MiB for QImageReader's allocation limit; 0: Qt's own
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("colour"); // invalid: refused
        QTest::addColumn<int>("tolerance"); // HEIC is lossy, its alpha too

        const auto add = [&](const char* name, int budget, QSize size, QColor colour, int tolerance) {
            // A HEIC that cannot be made is skipped in the test.
            (void)writePicture(path(name), size, colour.isValid() ? colour : QColor(Qt::gray));
            QTest::newRow(name) << QString::fromLatin1(name) << budget << size << colour << tolerance;
        };
        add("half.png", 0, { 2, 2 }, QColor(255, 0, 0, 128), 0);
        add("camera.HEIC", 0, { 64, 48 }, QColor(200, 40, 40), 12);
        add("sticker.heic", 0, { 32, 24 }, QColor(40, 60, 200, 128), 12);
        // The same budget for every format: 512 × 512 at 4 bytes a pixel fills 1 MiB exactly.
        add("within.png", 1, { 512, 512 }, QColor(Qt::gray), 0);
        add("over.png", 1, { 512, 513 }, QColor(), 0);
        add("within.heic", 1, { 512, 512 }, QColor(Qt::gray), 12);
        add("over.heic", 1, { 512, 513 }, QColor(), 0);

        QFile whole(path("half.png"));
        QVERIFY(whole.open(QIODevice::ReadOnly) && writeBytes(path("cut.png"), whole.read(40)));
        QVERIFY(writeBytes(path("notes.txt"), "just some words\n"));
        QVERIFY(writeBytes(path("broken.heic"), QByteArray::fromHex("0000001866747970686569630000")));
        for (const char* name : { "cut.png", "notes.txt", "broken.heic", "gone.png" })
            QTest::newRow(name) << QString::fromLatin1(name) << 0 << QSize() << QColor() << 0;
    }

    void convertsWithinTheMemoryBudget()
    {
        QFETCH(QString, fileName);
        QFETCH(int, budget);
        QFETCH(QColor, colour);
        QFETCH(int, tolerance);
        if (fileName.endsWith(QStringLiteral("heic"), Qt::CaseInsensitive) && !QFile::exists(path(fileName)))
            QSKIP("this libheif has no HEVC encoder to make a test picture with");
        const int limit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(budget > 0 ? budget : limit);
        const auto restore = qScopeGuard([limit] { QImageReader::setAllocationLimit(limit); });

        const std::optional<QByteArray> png = ImageImporter::pngDataFromFile(path(fileName));
        QCOMPARE(png.has_value(), colour.isValid());
        if (!png)
            return;
        QVERIFY(png->startsWith(QByteArray::fromHex("89504e470d0a1a0a")));
        const QImage decoded = QImage::fromData(*png, "png");
        QTEST(decoded.size(), "size");
        const QColor c = decoded.pixelColor(decoded.width() / 2, decoded.height() / 2);
        QVERIFY2(qAbs(c.red() - colour.red()) <= tolerance && qAbs(c.green() - colour.green()) <= tolerance
                && qAbs(c.blue() - colour.blue()) <= tolerance && qAbs(c.alpha() - colour.alpha()) <= tolerance / 2,
            qPrintable(c.name(QColor::HexArgb)));
    }

    void backgroundConversionAnswersOnTheMainThreadUnlessTheReceiverIsGone()
    {
        QVERIFY(writePicture(path("one.png"), { 3, 1 }, Qt::red));
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
