#include "platform/NotificationCenter.h"
#include "platform/CommandNames.h"

#include <QTest>

#include <memory>

namespace {
const QString n = QStringLiteral("n");

// A handler that appends `label` to `calls`.
NotificationCenter::Handler recordAs(QStringList& calls, const char* label)
{
    return [&calls, label](const QVariantMap&) { calls << QString::fromLatin1(label); };
}
} // namespace

class NotificationCenterTest : public QObject {
    Q_OBJECT

private slots:
    void deliversInRegistrationOrderUntilRemoved()
    {
        NotificationCenter center;
        QObject a, b, c;
        QStringList calls;
        QVariantMap received;
        center.addObserver(&b, n, recordAs(calls, "b"));
        center.addObserver(&a, n, [&](const QVariantMap& info) {
            calls << QStringLiteral("a");
            received = info;
        });
        center.addObserver(&c, QStringLiteral("other"), recordAs(calls, "c"));
        center.addObserver(&a, QStringLiteral("m"), recordAs(calls, "m"));
        center.post(n, { { CommandNames::isOpenKey, true } });
        QCOMPARE(received.value(CommandNames::isOpenKey), QVariant(true));
        // The controller re-registers with "remove, then add": one delivery, after
        // the observers that registered in between.
        center.removeObserver(&a, n);
        center.addObserver(&a, n, recordAs(calls, "a again"));
        center.post(n);
        center.post(QStringLiteral("m"));
        center.removeObserver(&a);
        center.post(n);
        center.post(QStringLiteral("m"));
        QCOMPARE(calls, (QStringList { "b", "a", "b", "a again", "m", "b" }));
    }

    void destroyedObserversAreSkippedAndAdditionsWaitForTheNextPost()
    {
        NotificationCenter center;
        QObject remover, late;
        auto victim = std::make_unique<QObject>();
        QStringList calls;
        {
            QObject destroyedBefore;
            center.addObserver(&destroyedBefore, n, recordAs(calls, "destroyed before"));
        }
        center.addObserver(&remover, n, [&](const QVariantMap&) {
            calls << QStringLiteral("remover");
            victim.reset();
            center.addObserver(&late, n, recordAs(calls, "late"));
        });
        center.addObserver(victim.get(), n, recordAs(calls, "victim"));
        center.post(n);
        QCOMPARE(calls, QStringList { QStringLiteral("remover") });

        center.removeObserver(&remover);
        center.post(n);
        QCOMPARE(calls, (QStringList { QStringLiteral("remover"), QStringLiteral("late") }));
    }

    void isOpenAcceptsOnlyARealBool_data()
    {
        QTest::addColumn<QVariantMap>("userInfo");
        QTest::addColumn<int>("expected"); // -1: ignored
        const QString key = CommandNames::isOpenKey;
        QTest::newRow("true") << QVariantMap { { key, true } } << 1;
        QTest::newRow("false") << QVariantMap { { key, false } } << 0;
        QTest::newRow("no user info") << QVariantMap {} << -1;
        QTest::newRow("int 1") << QVariantMap { { key, 1 } } << -1;
        QTest::newRow("string true") << QVariantMap { { key, QStringLiteral("true") } } << -1;
    }

    void isOpenAcceptsOnlyARealBool()
    {
        QFETCH(QVariantMap, userInfo);
        QFETCH(int, expected);
        const auto result = NotificationCenter::isOpen(userInfo);
        QCOMPARE(result.has_value(), expected >= 0);
        QCOMPARE(result.value_or(false), expected == 1);
    }
};

QTEST_GUILESS_MAIN(NotificationCenterTest)
#include "NotificationCenterTest.moc"
