#include "app/ImageImporter.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <libheif/heif.h>

#include <memory>

namespace {

QImage solid(int width, int height, QColor color, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(width, height, format);
    image.fill(color);
    return image;
}

QImage decodePng(const QByteArray& png)
{
    QBuffer buffer;
    buffer.setData(png);
    QImageReader reader(&buffer, "png");
    return reader.read();
}

bool isPng(const QByteArray& data)
{
    return data.startsWith(QByteArray::fromHex("89504e470d0a1a0a"));
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A 1x1 GIF whose only colour-table entry is pure red (Qt cannot write GIFs).
QByteArray redPixelGif()
{
    return QByteArray::fromHex("474946383961" // GIF89a
                               "010001008000 00"
                               "ff0000 000000"
                               "2c 0000 0000 0100 0100 00"
                               "02 02 4401 00"
                               "3b");
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
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = pixels + y * stride + x * 3;
            pixel[0] = color.red();
            pixel[1] = color.green();
            pixel[2] = color.blue();
        }
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
    void init() { QVERIFY(m_dir.isValid()); }

    void convertsReadableFormatsToPng_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("expectedSize");
        QTest::addColumn<QColor>("expectedCorner");

        auto encoded = [](const QImage& image, const char* format) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, format);
            writer.setQuality(100);
            writer.write(image);
            return bytes;
        };
        QTest::newRow("png keeps transparency")
            << "clear.png" << encoded(solid(5, 3, QColor(0, 0, 255, 0)), "png") << QSize(5, 3) << QColor(0, 0, 255, 0);
        QTest::newRow("png keeps half alpha") << "half.png" << encoded(solid(2, 2, QColor(255, 0, 0, 128)), "png")
                                              << QSize(2, 2) << QColor(255, 0, 0, 128);
        QTest::newRow("jpeg") << "photo.jpg" << encoded(solid(8, 6, Qt::green, QImage::Format_RGB32), "jpeg")
                              << QSize(8, 6) << QColor(0, 255, 0);
        QTest::newRow("webp") << "picture.webp" << encoded(solid(7, 4, Qt::blue, QImage::Format_RGB32), "webp")
                              << QSize(7, 4) << QColor(0, 0, 255);
        QTest::newRow("gif") << "pixel.gif" << redPixelGif() << QSize(1, 1) << QColor(255, 0, 0);
        // The extension says nothing: the content decides.
        QTest::newRow("png named .jpg") << "misnamed.jpg" << encoded(solid(3, 3, Qt::white), "png") << QSize(3, 3)
                                        << QColor(255, 255, 255);
    }

    void convertsReadableFormatsToPng()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, expectedSize);
        QFETCH(QColor, expectedCorner);
        const QString path = m_dir.filePath(fileName);
        QVERIFY(writeBytes(path, bytes));

        const std::optional<QByteArray> png = ImageImporter::pngDataFromFile(path);
        QVERIFY(png.has_value());
        QVERIFY(isPng(*png));
        const QImage decoded = decodePng(*png);
        QCOMPARE(decoded.size(), expectedSize);
        const QColor corner = decoded.pixelColor(0, 0);
        // JPEG and lossy WebP may drift a little from the colour they were given.
        QVERIFY2(qAbs(corner.red() - expectedCorner.red()) <= 3 && qAbs(corner.green() - expectedCorner.green()) <= 3
                && qAbs(corner.blue() - expectedCorner.blue()) <= 3 && corner.alpha() == expectedCorner.alpha(),
            qPrintable(corner.name(QColor::HexArgb)));
    }

    void appliesJpegOrientation()
    {
        const QString path = m_dir.filePath(QStringLiteral("portrait.jpg"));
        QImageWriter writer(path, "jpeg");
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(writer.write(solid(40, 10, Qt::black, QImage::Format_RGB32)));

        const std::optional<QByteArray> png = ImageImporter::pngDataFromFile(path);
        QVERIFY(png.has_value());
        QCOMPARE(decodePng(*png).size(), QSize(10, 40)); // turned upright, as a viewer shows it
    }

    void decodesHeicThroughLibheif()
    {
        const QString path = m_dir.filePath(QStringLiteral("camera.HEIC"));
        QVERIFY(writeHeic(path, 64, 48, QColor(200, 40, 40)));

        const std::optional<QByteArray> png = ImageImporter::pngDataFromFile(path);
        QVERIFY(png.has_value());
        const QImage decoded = decodePng(*png);
        QCOMPARE(decoded.size(), QSize(64, 48));
        const QColor centre = decoded.pixelColor(32, 24);
        QVERIFY2(qAbs(centre.red() - 200) <= 12 && qAbs(centre.green() - 40) <= 12 && qAbs(centre.blue() - 40) <= 12,
            qPrintable(centre.name()));
        QCOMPARE(centre.alpha(), 255);
    }

    void rejectsWhatIsNotAPicture_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("bytes"); // null: the file is not created

        QImage picture = solid(30, 30, Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "png");

        QTest::newRow("text") << "notes.txt" << QByteArray("just some words\n");
        QTest::newRow("empty file") << "empty.png" << QByteArray("");
        QTest::newRow("truncated png") << "cut.png" << png.left(40);
        QTest::newRow("heif header, no image") << "broken.heic" << QByteArray::fromHex("0000001866747970686569630000");
        QTest::newRow("missing file") << "gone.png" << QByteArray();
    }

    void rejectsWhatIsNotAPicture()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(fileName);
        if (!bytes.isNull())
            QVERIFY(writeBytes(path, bytes));
        QVERIFY(!ImageImporter::pngDataFromFile(path).has_value());
    }

    void convertKeepsOrderAndNamesFailuresByFileName()
    {
        const QString first = m_dir.filePath(QStringLiteral("first.png"));
        const QString second = m_dir.filePath(QStringLiteral("second.png"));
        QVERIFY(solid(1, 1, Qt::red).save(first));
        QVERIFY(solid(2, 2, Qt::red).save(second));
        QVERIFY(writeBytes(m_dir.filePath(QStringLiteral("a.txt")), "a"));

        const ImportResult result = ImageImporter::convert(
            { m_dir.filePath(QStringLiteral("a.txt")), second, m_dir.filePath(QStringLiteral("missing.gif")), first });
        QCOMPARE(result.failedNames, (QStringList { QStringLiteral("a.txt"), QStringLiteral("missing.gif") }));
        QCOMPARE(result.images.size(), 2);
        QCOMPARE(decodePng(result.images[0].pngData).size(), QSize(2, 2));
        QCOMPARE(decodePng(result.images[1].pngData).size(), QSize(1, 1));
        QVERIFY(!result.images[0].id.isNull());
        QVERIFY(result.images[0].id != result.images[1].id);
    }

    void backgroundConversionAnswersOnTheMainThreadUnlessTheReceiverIsGone()
    {
        const QString path = m_dir.filePath(QStringLiteral("one.png"));
        QVERIFY(solid(3, 1, Qt::red).save(path));

        QObject receiver;
        std::optional<ImportResult> received;
        QThread* answeringThread = nullptr;
        ImageImporter::convertInBackground({ path }, &receiver, [&](const ImportResult& result) {
            received = result;
            answeringThread = QThread::currentThread();
        });
        QTRY_VERIFY(received.has_value());
        QCOMPARE(answeringThread, QThread::currentThread());
        QCOMPARE(received->images.size(), 1);

        bool called = false;
        auto doomed = std::make_unique<QObject>();
        ImageImporter::convertInBackground({ path }, doomed.get(), [&](const ImportResult&) { called = true; });
        doomed.reset();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(!called);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(ImageImporterTest)
#include "ImageImporterTest.moc"
