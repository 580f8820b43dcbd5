#include "platform/CommandNames.h"
#include "platform/NotificationCenter.h"

#include <QTest>

#include <memory>

class NotificationCenterTest : public QObject
{
    Q_OBJECT

private slots:
    void deliversSynchronouslyInRegistrationOrder()
    {
        NotificationCenter center;
        QObject a, b, c;
        QStringList calls;
        center.addObserver(&b, QStringLiteral("n"), [&](const QVariantMap&) { calls << QStringLiteral("b"); });
        center.addObserver(&a, QStringLiteral("n"), [&](const QVariantMap&) { calls << QStringLiteral("a"); });
        center.addObserver(&c, QStringLiteral("other"), [&](const QVariantMap&) { calls << QStringLiteral("c"); });
        center.addObserver(&a, QStringLiteral("n"), [&](const QVariantMap&) { calls << QStringLiteral("a2"); });

        center.post(QStringLiteral("n"));
        QCOMPARE(calls, (QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("a2")}));
    }

    void passesTheUserInfo()
    {
        NotificationCenter center;
        QObject o;
        QVariantMap received;
        center.addObserver(&o, QStringLiteral("n"), [&](const QVariantMap& info) { received = info; });
        center.post(QStringLiteral("n"), {{QStringLiteral("isOpen"), true}});
        QCOMPARE(received.value(QStringLiteral("isOpen")), QVariant(true));
    }

    void removeObserverByNameAndEntirely()
    {
        NotificationCenter center;
        QObject o;
        int n = 0, m = 0;
        center.addObserver(&o, QStringLiteral("n"), [&](const QVariantMap&) { ++n; });
        center.addObserver(&o, QStringLiteral("m"), [&](const QVariantMap&) { ++m; });
        center.removeObserver(&o, QStringLiteral("n"));
        center.post(QStringLiteral("n"));
        center.post(QStringLiteral("m"));
        QCOMPARE(n, 0);
        QCOMPARE(m, 1);

        center.removeObserver(&o);
        center.post(QStringLiteral("m"));
        QCOMPARE(m, 1);
    }

    void removeThenAddMovesTheObserverToTheEnd()
    {
        // The controller re-registers with "remove, then add": the result must be
        // a single delivery, after observers that registered in between.
        NotificationCenter center;
        QObject first, second;
        QStringList calls;
        center.addObserver(&first, QStringLiteral("n"), [&](const QVariantMap&) { calls << QStringLiteral("first"); });
        center.addObserver(&second, QStringLiteral("n"), [&](const QVariantMap&) { calls << QStringLiteral("second"); });
        center.removeObserver(&first, QStringLiteral("n"));
        center.addObserver(&first, QStringLiteral("n"), [&](const QVariantMap&) { calls << QStringLiteral("first"); });
        center.post(QStringLiteral("n"));
        QCOMPARE(calls, (QStringList{QStringLiteral("second"), QStringLiteral("first")}));
    }

    void destroyedObserversAreNeverCalled()
    {
        NotificationCenter center;
        int calls = 0;
        {
            QObject temporary;
            center.addObserver(&temporary, QStringLiteral("n"), [&](const QVariantMap&) { ++calls; });
        }
        center.post(QStringLiteral("n"));
        QCOMPARE(calls, 0);
    }

    void observersRemovedDuringDeliveryAreSkipped()
    {
        NotificationCenter center;
        QObject remover;
        auto victim = std::make_unique<QObject>();
        QStringList calls;
        center.addObserver(&remover, QStringLiteral("n"), [&](const QVariantMap&) {
            calls << QStringLiteral("remover");
            victim.reset();
        });
        center.addObserver(victim.get(), QStringLiteral("n"), [&](const QVariantMap&) { calls << QStringLiteral("victim"); });
        center.post(QStringLiteral("n"));
        QCOMPARE(calls, QStringList{QStringLiteral("remover")});
    }

    void observersAddedDuringDeliveryWaitForTheNextPost()
    {
        NotificationCenter center;
        QObject o, late;
        int lateCalls = 0;
        center.addObserver(&o, QStringLiteral("n"), [&](const QVariantMap&) {
            center.addObserver(&late, QStringLiteral("n"), [&](const QVariantMap&) { ++lateCalls; });
        });
        center.post(QStringLiteral("n"));
        QCOMPARE(lateCalls, 0);
        center.removeObserver(&o);
        center.post(QStringLiteral("n"));
        QCOMPARE(lateCalls, 1);
    }

    void nestedPostsDeliverInline()
    {
        NotificationCenter center;
        QObject o;
        QStringList calls;
        center.addObserver(&o, QStringLiteral("outer"), [&](const QVariantMap&) {
            calls << QStringLiteral("outer-begin");
            center.post(QStringLiteral("inner"));
            calls << QStringLiteral("outer-end");
        });
        center.addObserver(&o, QStringLiteral("inner"), [&](const QVariantMap&) { calls << QStringLiteral("inner"); });
        center.post(QStringLiteral("outer"));
        QCOMPARE(calls, (QStringList{QStringLiteral("outer-begin"), QStringLiteral("inner"), QStringLiteral("outer-end")}));
    }

    void isOpenAcceptsOnlyARealBool_data()
    {
        QTest::addColumn<QVariantMap>("userInfo");
        QTest::addColumn<int>("expected"); // -1: ignored
        const QString key = CommandNames::isOpenKey;
        QTest::newRow("true") << QVariantMap{{key, true}} << 1;
        QTest::newRow("false") << QVariantMap{{key, false}} << 0;
        QTest::newRow("no user info") << QVariantMap{} << -1;
        QTest::newRow("other key") << QVariantMap{{QStringLiteral("open"), true}} << -1;
        QTest::newRow("int 1") << QVariantMap{{key, 1}} << -1;
        QTest::newRow("string true") << QVariantMap{{key, QStringLiteral("true")}} << -1;
        QTest::newRow("invalid") << QVariantMap{{key, QVariant()}} << -1;
    }

    void isOpenAcceptsOnlyARealBool()
    {
        QFETCH(QVariantMap, userInfo);
        QFETCH(int, expected);
        const auto result = NotificationCenter::isOpen(userInfo);
        if (expected < 0) {
            QVERIFY(!result.has_value());
        } else {
            QVERIFY(result.has_value());
            QCOMPARE(*result, expected == 1);
        }
    }
};

QTEST_GUILESS_MAIN(NotificationCenterTest)
#include "NotificationCenterTest.moc"
