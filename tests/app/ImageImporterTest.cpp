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

} // namespace

class ImageImporterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void convertsToPngKeepingColourAndAlpha_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("tolerance"); // HEIC is lossy, its alpha too

        QTest::newRow("png, half alpha") << "half.png" << QSize(2, 2) << QColor(255, 0, 0, 128) << 0;
        QTest::newRow("heic") << "camera.HEIC" << QSize(64, 48) << QColor(200, 40, 40) << 12;
        QTest::newRow("heic, half alpha") << "sticker.heic" << QSize(32, 24) << QColor(40, 60, 200, 128) << 12;
    }

    void convertsToPngKeepingColourAndAlpha()
    {
        QFETCH(QString, fileName);
        QFETCH(QSize, size);
        QFETCH(QColor, colour);
        QFETCH(int, tolerance);
        if (fileName.endsWith(".png")) {
            QImage image(size, QImage::Format_ARGB32);
            image.fill(colour);
            QVERIFY(image.save(path(fileName)));
        } else if (!writeHeic(path(fileName), size, colour)) {
            QSKIP("this libheif has no HEVC encoder to make a test picture with");
        }
        const std::optional<QByteArray> png = ImageImporter::pngDataFromFile(path(fileName));
        QVERIFY(png && png->startsWith(QByteArray::fromHex("89504e470d0a1a0a")));
        const QImage decoded = QImage::fromData(*png, "png");
        QCOMPARE(decoded.size(), size);
        const QColor c = decoded.pixelColor(size.width() / 2, size.height() / 2);
        QVERIFY2(qAbs(c.red() - colour.red()) <= tolerance && qAbs(c.green() - colour.green()) <= tolerance
                && qAbs(c.blue() - colour.blue()) <= tolerance && qAbs(c.alpha() - colour.alpha()) <= tolerance / 2,
            qPrintable(c.name(QColor::HexArgb)));
    }

    void everyFormatGetsTheSameMemoryBudget_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("accepted");
        // A budget of 1 MiB at 4 bytes a pixel: 512 × 512 fills it exactly.
        QTest::newRow("png within") << "within.png" << QSize(512, 512) << true;
        QTest::newRow("png over") << "over.png" << QSize(512, 513) << false;
        QTest::newRow("heic within") << "within.heic" << QSize(512, 512) << true;
        QTest::newRow("heic over") << "over.heic" << QSize(512, 513) << false;
    }

    void everyFormatGetsTheSameMemoryBudget()
    {
        QFETCH(QString, fileName);
        QFETCH(QSize, size);
        if (fileName.endsWith(".png")) {
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::gray);
            QVERIFY(image.save(path(fileName)));
        } else if (!writeHeic(path(fileName), size, Qt::gray)) {
            QSKIP("this libheif has no HEVC encoder to make a test picture with");
        }
        const int limit = QImageReader::allocationLimit();
        QImageReader::setAllocationLimit(1);
        const auto restore = qScopeGuard([limit] { QImageReader::setAllocationLimit(limit); });
        QTEST(ImageImporter::pngDataFromFile(path(fileName)).has_value(), "accepted");
    }

    void rejectsWhatIsNotAPicture()
    {
        QImage image(30, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(path("whole.png")));
        QFile whole(path("whole.png"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QVERIFY(writeBytes(path("cut.png"), whole.read(40)));
        QVERIFY(writeBytes(path("notes.txt"), "just some words\n"));
        QVERIFY(writeBytes(path("broken.heic"), QByteArray::fromHex("0000001866747970686569630000")));
        for (const char* name : { "notes.txt", "cut.png", "broken.heic", "gone.png" })
            QVERIFY2(!ImageImporter::pngDataFromFile(path(name)).has_value(), name);
    }

    void backgroundConversionAnswersOnTheMainThreadUnlessTheReceiverIsGone()
    {
        QImage image(3, 1, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(path("one.png")));
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
