#include "gallery/GalleryIndex.h"

#include <QTest>

namespace {
const QUuid cutoutId = QUuid::fromString(QStringLiteral("{0a1b2c3d-4e5f-4a6b-8c7d-9e0fa1b2c3d4}"));
const QUuid collageId = QUuid::fromString(QStringLiteral("{fedcba98-7654-4321-8fed-cba987654321}"));
const QString cutoutText = QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0FA1B2C3D4");
const QString collageText = QStringLiteral("FEDCBA98-7654-4321-8FED-CBA987654321");

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int msec = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec), Qt::UTC);
}

QByteArray entryJson(const QString& id, const QByteArray& createdAt, const QString& section)
{
    return "{\"id\": \"" + id.toUtf8() + "\", \"createdAt\": " + createdAt + ", \"section\": \"" + section.toUtf8()
        + "\"}";
}
} // namespace

class GalleryIndexTest : public QObject {
    Q_OBJECT

private slots:
    void datesAreSecondsSinceTheStartOf2001_data()
    {
        QTest::addColumn<QDateTime>("date");
        QTest::addColumn<double>("seconds");
        QTest::newRow("reference date") << utc(2001, 1, 1, 0, 0, 0) << 0.0;
        // 2024-01-01 is Unix 1704067200; 1704067200 - 978307200 = 725760000.
        QTest::newRow("with milliseconds") << utc(2024, 1, 1, 0, 0, 0, 250) << 725760000.25;
        QTest::newRow("before 2001") << utc(2000, 12, 31, 23, 59, 59, 500) << -0.5;
        // Same instant given in UTC+2.
        QTest::newRow("offset zone") << QDateTime(QDate(2024, 1, 1), QTime(2, 0), Qt::OffsetFromUTC, 7200)
                                     << 725760000.0;
    }

    void datesAreSecondsSinceTheStartOf2001()
    {
        QFETCH(QDateTime, date);
        QFETCH(double, seconds);
        QCOMPARE(GalleryIndex::referenceSeconds(date), seconds);
        const auto back = GalleryIndex::dateFromReferenceSeconds(seconds);
        QVERIFY(back.has_value());
        QCOMPARE(back->toMSecsSinceEpoch(), date.toMSecsSinceEpoch());
    }

    void encodesCutoutsFirstWithKeysInOrderOnSeparateLines()
    {
        const QList<ClipItem> cutouts { { cutoutId, QByteArray("png"), utc(2024, 1, 1, 0, 0, 0, 250) } };
        const QList<CollageItem> collages { { collageId, std::nullopt, utc(2001, 1, 1, 0, 0, 10) } };
        const QByteArray text = GalleryIndex::encode(GalleryIndex::entriesFor(cutouts, collages));

        QVERIFY(text.trimmed().startsWith('['));
        // One key per line, indented.
        const QList<QByteArray> lines = text.split('\n');
        int keyLines = 0;
        for (const QByteArray& line : lines) {
            if (line.contains("\"id\"") || line.contains("\"createdAt\"") || line.contains("\"section\"")) {
                ++keyLines;
                QVERIFY(line.startsWith(' '));
                QCOMPARE(line.count(':'), 1);
            }
        }
        QCOMPARE(keyLines, 6);

        const auto at = [&](const QByteArray& what) { return text.indexOf(what); };
        QVERIFY(at("\"" + cutoutText.toUtf8() + "\"") > 0);
        QVERIFY(at("\"" + collageText.toUtf8() + "\"") > 0);
        QVERIFY(!text.contains(cutoutText.toLower().toUtf8()));
        QVERIFY(at("725760000.25") > 0);
        // Key order within each object, and the cut-out before the collage.
        QVERIFY(at("\"id\"") < at("\"createdAt\""));
        QVERIFY(at("\"createdAt\"") < at("\"section\""));
        QVERIFY(at("\"cutouts\"") < at(collageText.toUtf8()));
        const qsizetype secondObject = at(collageText.toUtf8());
        QVERIFY(text.indexOf("\"createdAt\"", secondObject) < text.indexOf("\"section\"", secondObject));
        QVERIFY(text.indexOf("\"collages\"", secondObject) > secondObject);
    }

    void emptyListsEncodeAsAnEmptyArray()
    {
        const QByteArray text = GalleryIndex::encode({});
        QCOMPARE(text.trimmed(), QByteArray("[]"));
        const auto decoded = GalleryIndex::decode(text);
        QVERIFY(decoded.has_value());
        QVERIFY(decoded->isEmpty());
    }

    void roundTripKeepsEveryFieldToTheMillisecond()
    {
        QList<ClipItem> cutouts;
        QList<CollageItem> collages;
        for (int i = 0; i < 5; ++i)
            cutouts.append({ QUuid::createUuid(), std::nullopt, utc(2020 + i, 2, 29 - i, 13, 14, 15, 1 + i * 111) });
        for (int i = 0; i < 3; ++i)
            collages.append({ QUuid::createUuid(), QByteArray("x"), utc(1999 + i, 7, 4, 1, 2, 3, 999) });

        const auto decoded = GalleryIndex::decode(GalleryIndex::encode(GalleryIndex::entriesFor(cutouts, collages)));
        QVERIFY(decoded.has_value());
        const GalleryLists lists = GalleryIndex::itemsFrom(*decoded);
        QCOMPARE(lists.cutouts.size(), 5);
        QCOMPARE(lists.collages.size(), 3);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(lists.cutouts[i].id, cutouts[i].id);
            QCOMPARE(lists.cutouts[i].createdAt, cutouts[i].createdAt);
            QVERIFY(!lists.cutouts[i].imageData.has_value());
        }
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(lists.collages[i].id, collages[i].id);
            QCOMPARE(lists.collages[i].createdAt, collages[i].createdAt);
            QVERIFY(!lists.collages[i].imageData.has_value());
        }
    }

    void readingSortsEntriesIntoSectionsKeepingFileOrder()
    {
        const QString second = QStringLiteral("11111111-2222-4333-8444-555555555555");
        const QString other = QStringLiteral("99999999-2222-4333-8444-555555555555");
        const QByteArray json = "[" + entryJson(collageText, "3", QStringLiteral("collages")) + ","
            + entryJson(cutoutText, "2.5", QStringLiteral("cutouts")) + ","
            + entryJson(other, "1", QStringLiteral("other"))
            + ","
            // lower-case ids are still identifiers
            + entryJson(second.toLower(), "1", QStringLiteral("moodboards")) + "]";
        const auto entries = GalleryIndex::decode(json);
        QVERIFY(entries.has_value());
        QCOMPARE(entries->size(), 4);
        const GalleryLists lists = GalleryIndex::itemsFrom(*entries);
        QCOMPARE(lists.cutouts.size(), 1);
        QCOMPARE(lists.cutouts[0].id, cutoutId);
        QCOMPARE(lists.cutouts[0].createdAt, utc(2001, 1, 1, 0, 0, 2, 500));
        QCOMPARE(lists.collages.size(), 2);
        QCOMPARE(lists.collages[0].id, collageId);
        QCOMPARE(lists.collages[1].id, QUuid::fromString(second));

        // Written back: the cut-out first, the old section name replaced, the unknown entry gone.
        const QByteArray written = GalleryIndex::encode(GalleryIndex::entriesFor(lists.cutouts, lists.collages));
        QVERIFY(written.indexOf(cutoutText.toUtf8()) < written.indexOf(collageText.toUtf8()));
        QVERIFY(written.contains(second.toUtf8()));
        QVERIFY(!written.contains("moodboards"));
        QVERIFY(!written.contains(other.toUtf8()));
        QCOMPARE(written.count("\"collages\""), 2);
    }

    void anyBadEntryMakesTheWholeIndexUnreadable_data()
    {
        QTest::addColumn<QByteArray>("json");
        const QByteArray good = entryJson(cutoutText, "1.5", QStringLiteral("cutouts"));
        QTest::newRow("not json") << QByteArray("[{\"id\": ");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("object at top level") << QByteArray("{\"items\": []}");
        QTest::newRow("entry not an object") << "[" + good + ", 42]";
        QTest::newRow("missing createdAt")
            << "[" + good + ", {\"id\": \"" + collageText.toUtf8() + "\", \"section\": \"collages\"}]";
        QTest::newRow("missing id") << QByteArray("[{\"createdAt\": 1, \"section\": \"cutouts\"}]");
        QTest::newRow("missing section") << "[{\"id\": \"" + cutoutText.toUtf8() + "\", \"createdAt\": 1}]";
        QTest::newRow("createdAt as text") << "[" + entryJson(cutoutText, "\"1.5\"", QStringLiteral("cutouts")) + "]";
        QTest::newRow("createdAt null") << "[" + entryJson(cutoutText, "null", QStringLiteral("cutouts")) + "]";
        QTest::newRow("createdAt beyond any date")
            << "[" + entryJson(cutoutText, "1e300", QStringLiteral("cutouts")) + "]";
        QTest::newRow("section a number")
            << "[{\"id\": \"" + cutoutText.toUtf8() + "\", \"createdAt\": 1, \"section\": 1}]";
        QTest::newRow("id a number") << QByteArray("[{\"id\": 7, \"createdAt\": 1, \"section\": \"cutouts\"}]");
        QTest::newRow("id a path") << "[" + good + ","
                + entryJson(QStringLiteral("../../x"), "1", QStringLiteral("cutouts")) + "]";
        QTest::newRow("id with braces") << "["
                + entryJson(QLatin1Char('{') + cutoutText + QLatin1Char('}'), "1", QStringLiteral("cutouts")) + "]";
        QTest::newRow("id with a slash") << "["
                + entryJson(QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0FA1B2C/D4"), "1", QStringLiteral("cutouts"))
                + "]";
    }

    void anyBadEntryMakesTheWholeIndexUnreadable()
    {
        QFETCH(QByteArray, json);
        QVERIFY(!GalleryIndex::decode(json).has_value());
    }

    void readerIgnoresWhitespaceKeyOrderAndExtraKeys()
    {
        const QByteArray json = "\n[\t{\"section\":\"collages\",\"extra\":[1,2],\"createdAt\":-12,\"id\":\""
            + collageText.toUtf8() + "\"}  ]  \n";
        const auto entries = GalleryIndex::decode(json);
        QVERIFY(entries.has_value());
        QCOMPARE(entries->size(), 1);
        QCOMPARE(entries->at(0).id, collageId);
        QCOMPARE(entries->at(0).section, QStringLiteral("collages"));
        QCOMPARE(entries->at(0).createdAt, utc(2000, 12, 31, 23, 59, 48));
    }
};

QTEST_GUILESS_MAIN(GalleryIndexTest)
#include "GalleryIndexTest.moc"
