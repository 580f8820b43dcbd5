#include "platform/Log.h"
#include "platform/Uuids.h"

#include <QRegularExpression>
#include <QTest>

#include <thread>

class UuidsAndLogTest : public QObject {
    Q_OBJECT

private slots:
    void parseStrict_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("upper") << QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301") << true;
        QTest::newRow("lower") << QStringLiteral("3f2504e0-4f89-11d3-9a0c-0305e82c3301") << true;
        QTest::newRow("braces") << QStringLiteral("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}") << false;
        QTest::newRow("path of uuid length") << QStringLiteral("../../../../../../../../../etc/passw") << false;
        QTest::newRow("not hex") << QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C330G") << false;
        QTest::newRow("no dashes") << QStringLiteral("3F2504E04F8911D39A0C0305E82C3301") << false;
        QTest::newRow("empty") << QString() << false;
    }

    void parseStrict()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        const auto id = Uuids::parseStrict(text);
        QCOMPARE(id.has_value(), accepted);
        // The canonical text is upper-case, without braces.
        if (accepted)
            QCOMPARE(Uuids::canonicalText(*id), QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301"));
    }

    void captureRecordsLinesFromEveryThreadWhole()
    {
        Log::ScopedCapture capture;
        std::thread other([] {
            for (int i = 0; i < 100; ++i)
                Log::line(QStringLiteral("[B] line %1").arg(i));
        });
        for (int i = 0; i < 100; ++i)
            Log::line(QStringLiteral("[A] line %1").arg(i));
        other.join();
        const QStringList lines = capture.lines();
        QCOMPARE(lines.size(), 200);
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^\\[[AB]\\] line \\d+$"))).size(), 200);
        QVERIFY(lines.indexOf(QStringLiteral("[B] line 10")) < lines.indexOf(QStringLiteral("[B] line 11")));
    }
};

QTEST_GUILESS_MAIN(UuidsAndLogTest)
#include "UuidsAndLogTest.moc"
