#include "gallery/GalleryIndex.h"

#include <QTest>

namespace {
const QString cutoutText = QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0FA1B2C3D4");
const QString collageText = QStringLiteral("FEDCBA98-7654-4321-8FED-CBA987654321");
const QUuid cutoutId = QUuid::fromString(cutoutText);
const QUuid collageId = QUuid::fromString(collageText);

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
    void writesCutoutsFirstWithKeysInOrderOnePerLine()
    {
        // Dates are seconds since 2001-01-01 UTC: 2024-01-01 is Unix 1704067200, less 978307200.
        const QList<ClipItem> cutouts { { cutoutId, QByteArray("png"), utc(2024, 1, 1, 0, 0, 0, 250) } };
        const QList<CollageItem> collages { { collageId, std::nullopt, utc(2001, 1, 1, 0, 0, 10, 500) } };
        const QByteArray text = GalleryIndex::encode(GalleryIndex::entriesFor(cutouts, collages));
        QByteArray compact = text;
        compact.replace(' ', "").replace('\n', "");
        QCOMPARE(compact,
            QByteArray("[{\"id\":\"0A1B2C3D-4E5F-4A6B-8C7D-9E0FA1B2C3D4\",\"createdAt\":725760000.25,\"section\":"
                       "\"cutouts\"},{\"id\":\"FEDCBA98-7654-4321-8FED-CBA987654321\",\"createdAt\":10.5,"
                       "\"section\":\"collages\"}]"));
        int keyLines = 0; // pretty-printed: every key on its own indented line
        for (const QByteArray& line : text.split('\n'))
            keyLines += line.startsWith(' ') && line.count(':') == 1;
        QCOMPARE(keyLines, 6);
    }

    void readingSortsEntriesIntoSectionsKeepingFileOrder()
    {
        const QString second = QStringLiteral("11111111-2222-4333-8444-555555555555");
        const QString other = QStringLiteral("99999999-2222-4333-8444-555555555555");
        // Any key order, extra keys and whitespace are fine; lower-case ids are still ids.
        const QByteArray json = "\n[\t{\"section\":\"collages\",\"extra\":[1,2],\"createdAt\":-12,\"id\":\""
            + collageText.toUtf8() + "\"}," + entryJson(cutoutText, "2.5", QStringLiteral("cutouts")) + ","
            + entryJson(other, "1", QStringLiteral("other")) + ","
            + entryJson(second.toLower(), "1", QStringLiteral("moodboards")) + "]  \n";
        const auto entries = GalleryIndex::decode(json);
        QVERIFY(entries.has_value());
        const GalleryLists lists = GalleryIndex::itemsFrom(*entries);
        QCOMPARE(lists.cutouts.size(), 1);
        QCOMPARE(lists.cutouts[0].id, cutoutId);
        QCOMPARE(lists.cutouts[0].createdAt, utc(2001, 1, 1, 0, 0, 2, 500));
        QCOMPARE(lists.collages.size(), 2);
        QCOMPARE(lists.collages[0].id, collageId);
        QCOMPARE(lists.collages[0].createdAt, utc(2000, 12, 31, 23, 59, 48));
        QCOMPARE(lists.collages[1].id, QUuid::fromString(second));

        // Written back: the old section name replaced, the unknown entry gone.
        const QByteArray written = GalleryIndex::encode(GalleryIndex::entriesFor(lists.cutouts, lists.collages));
        QVERIFY(!written.contains("moodboards"));
        QVERIFY(!written.contains(other.toUtf8()));
        QCOMPARE(written.count("\"collages\""), 2);
    }

    void anyBadEntryMakesTheWholeIndexUnreadable_data()
    {
        QTest::addColumn<QByteArray>("json");
        const QByteArray good = entryJson(cutoutText, "1.5", QStringLiteral("cutouts"));
        const auto withGood = [&](const QByteArray& bad) { return "[" + good + "," + bad + "]"; };
        const auto entry = [&](const char* id, const char* createdAt, const char* section) {
            return withGood(entryJson(QString::fromLatin1(id), createdAt, QString::fromLatin1(section)));
        };
        QTest::newRow("not json") << QByteArray("[{\"id\": ");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("object at top level") << QByteArray("{\"items\": []}");
        QTest::newRow("entry not an object") << withGood("42");
        QTest::newRow("missing id") << withGood("{\"createdAt\": 1, \"section\": \"cutouts\"}");
        QTest::newRow("missing createdAt")
            << withGood("{\"id\": \"" + collageText.toUtf8() + "\", \"section\": \"x\"}");
        QTest::newRow("missing section") << withGood("{\"id\": \"" + collageText.toUtf8() + "\", \"createdAt\": 1}");
        QTest::newRow("id a number") << withGood("{\"id\": 7, \"createdAt\": 1, \"section\": \"cutouts\"}");
        QTest::newRow("section a number")
            << withGood("{\"id\": \"" + collageText.toUtf8() + "\", \"createdAt\": 1, \"section\": 1}");
        QTest::newRow("createdAt as text") << entry("FEDCBA98-7654-4321-8FED-CBA987654321", "\"1.5\"", "cutouts");
        QTest::newRow("createdAt beyond any date") << entry("FEDCBA98-7654-4321-8FED-CBA987654321", "1e300", "cutouts");
        QTest::newRow("id a path") << entry("../../x", "1", "cutouts");
        QTest::newRow("id with braces") << entry("{FEDCBA98-7654-4321-8FED-CBA987654321}", "1", "cutouts");
    }

    void anyBadEntryMakesTheWholeIndexUnreadable()
    {
        QFETCH(QByteArray, json);
        QVERIFY(!GalleryIndex::decode(json).has_value());
    }
};

QTEST_GUILESS_MAIN(GalleryIndexTest)
#include "GalleryIndexTest.moc"
