#include "app/ImageImporter.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

#include <libheif/heif.h>

#include <memory>

namespace {

QImage solid(int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Encodes a solid-colour HEIC with libheif's own encoder.
bool writeHeic(const QString& path, int width, int height, QColor color)
{
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder).code != heif_error_Ok)
        return false;
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_image* image = nullptr;
    heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, width, height, 8);
    int stride = 0;
    uint8_t* pixels = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int i = 0; i < width * height; ++i) {
        uint8_t* pixel = pixels + (i / width) * stride + (i % width) * 3;
        std::tie(pixel[0], pixel[1], pixel[2]) = std::tuple(color.red(), color.green(), color.blue());
    }
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
    void convertsReadableFormatsToPng_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QSize>("expectedSize");
        QTest::addColumn<QColor>("expectedColour");
        QTest::addColumn<int>("tolerance"); // lossy formats drift a little

        QVERIFY(solid(2, 2, QColor(255, 0, 0, 128)).save(path("half.png")));
        QTest::newRow("png keeps half alpha") << "half.png" << QSize(2, 2) << QColor(255, 0, 0, 128) << 0;
        // Turned upright, as a viewer shows it.
        QImageWriter jpeg(path("portrait.jpg"), "jpeg");
        jpeg.setQuality(100);
        jpeg.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(jpeg.write(solid(40, 10, Qt::green)));
        QTest::newRow("jpeg orientation") << "portrait.jpg" << QSize(10, 40) << QColor(0, 255, 0) << 3;
        QVERIFY(solid(7, 4, Qt::blue).save(path("picture.webp"), "webp", 100));
        QTest::newRow("webp") << "picture.webp" << QSize(7, 4) << QColor(0, 0, 255) << 3;
        QVERIFY(writeHeic(path("camera.HEIC"), 64, 48, QColor(200, 40, 40)));
        QTest::newRow("heic") << "camera.HEIC" << QSize(64, 48) << QColor(200, 40, 40) << 12;
        // The extension says nothing: the content decides.
        QVERIFY(solid(3, 3, Qt::white).save(path("misnamed.jpg"), "png"));
        QTest::newRow("png named .jpg") << "misnamed.jpg" << QSize(3, 3) << QColor(Qt::white) << 0;
    }

    void convertsReadableFormatsToPng()
    {
        QFETCH(QString, fileName);
        QFETCH(QColor, expectedColour);
        QFETCH(int, tolerance);
        const std::optional<QByteArray> png = ImageImporter::pngDataFromFile(path(fileName));
        QVERIFY(png.has_value());
        QVERIFY(png->startsWith(QByteArray::fromHex("89504e470d0a1a0a")));
        const QImage decoded = QImage::fromData(*png, "png");
        QTEST(decoded.size(), "expectedSize");
        const QColor c = decoded.pixelColor(decoded.width() / 2, decoded.height() / 2);
        QVERIFY2(qAbs(c.red() - expectedColour.red()) <= tolerance
                && qAbs(c.green() - expectedColour.green()) <= tolerance
                && qAbs(c.blue() - expectedColour.blue()) <= tolerance && c.alpha() == expectedColour.alpha(),
            qPrintable(c.name(QColor::HexArgb)));
    }

    void rejectsWhatIsNotAPicture()
    {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        solid(30, 30, Qt::red).save(&buffer, "png");
        QVERIFY(writeBytes(path("notes.txt"), "just some words\n"));
        QVERIFY(writeBytes(path("cut.png"), png.left(40)));
        QVERIFY(writeBytes(path("broken.heic"), QByteArray::fromHex("0000001866747970686569630000")));
        for (const char* name : { "notes.txt", "cut.png", "broken.heic", "gone.png" })
            QVERIFY2(!ImageImporter::pngDataFromFile(path(name)).has_value(), name);
    }

    void backgroundConversionAnswersOnTheMainThreadUnlessTheReceiverIsGone()
    {
        QVERIFY(solid(3, 1, Qt::red).save(path("one.png")));
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
