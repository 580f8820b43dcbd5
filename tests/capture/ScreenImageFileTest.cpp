#include "capture/ScreenImageFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The partial reader against Qt's own full PNG decoder.
class ScreenImageFileTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString m_png;
    QImage m_reference;

    QString writeBytes(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(bytes);
        return file.fileName();
    }

private slots:
    void initTestCase()
    {
        QImage image(300, 200, QImage::Format_ARGB32);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x)
                image.setPixel(x, y, qRgba(x % 256, y, (x * 7 + y * 3) % 256, 255 - (x + y) % 64));
        m_png = m_folder.filePath(QStringLiteral("screen.png"));
        QVERIFY(image.save(m_png, "PNG"));
        QVERIFY(m_reference.load(m_png, "PNG"));
        m_reference = m_reference.convertToFormat(QImage::Format_ARGB32);
    }

    void readsTheWantedPart_data()
    {
        QTest::addColumn<QRect>("wanted");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("inside") << QRect(40, 30, 100, 50) << QRect(40, 30, 100, 50);
        QTest::newRow("down to the last row") << QRect(0, 150, 300, 50) << QRect(0, 150, 300, 50);
        QTest::newRow("whole") << QRect(0, 0, 300, 200) << QRect(0, 0, 300, 200);
        QTest::newRow("past the corner") << QRect(250, 180, 100, 100) << QRect(250, 180, 50, 20);
        QTest::newRow("outside") << QRect(400, 10, 20, 20) << QRect();
    }
    void readsTheWantedPart()
    {
        QFETCH(QRect, wanted);
        QFETCH(QRect, expected);
        const auto region = ScreenImageFile::read(m_png, wanted);
        QVERIFY(region.has_value());
        QCOMPARE(region->screenSize, QSize(300, 200));
        QCOMPARE(region->rect.isEmpty(), expected.isEmpty());
        if (expected.isEmpty())
            return;
        QCOMPARE(region->rect, expected);
        QCOMPARE(region->pixels, m_reference.copy(expected));
    }

    void unreadableFilesGiveNothing()
    {
        QFile file(m_png);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray png = file.readAll();
        const QRect all(0, 0, 300, 200);
        QVERIFY(!ScreenImageFile::read(m_folder.filePath(QStringLiteral("missing.png")), all));
        QVERIFY(!ScreenImageFile::read(writeBytes(QStringLiteral("empty.png"), {}), all));
        QVERIFY(!ScreenImageFile::read(writeBytes(QStringLiteral("text.png"), "not a picture"), all));
        QVERIFY(!ScreenImageFile::read(writeBytes(QStringLiteral("cut.png"), png.left(png.size() / 2)), all));
    }
};

QTEST_GUILESS_MAIN(ScreenImageFileTest)
#include "ScreenImageFileTest.moc"
