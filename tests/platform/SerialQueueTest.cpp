#include "platform/SerialQueue.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

class SerialQueueTest : public QObject {
    Q_OBJECT

private slots:
    void runsJobsOneAtATimeInOrderOffTheCallingThread()
    {
        SerialQueue queue(QStringLiteral("t"));
        queue.waitUntilIdle(); // nothing submitted yet: must not block
        const std::thread::id callingThread = std::this_thread::get_id();
        std::vector<int> order;
        std::atomic<int> running { 0 };
        std::atomic<bool> overlapped { false }, onCallingThread { false };
        for (int i = 0; i < 100; ++i) {
            queue.submit([&, i] {
                overlapped = overlapped || running.fetch_add(1) != 0;
                onCallingThread = onCallingThread || std::this_thread::get_id() == callingThread;
                // Early jobs are slow so that parallel or out-of-order running shows.
                if (i < 5)
                    std::this_thread::sleep_for(2ms);
                order.push_back(i);
                running.fetch_sub(1);
            });
        }
        queue.waitUntilIdle();
        QVERIFY(!overlapped && !onCallingThread);
        std::vector<int> expected(100);
        std::iota(expected.begin(), expected.end(), 0);
        QVERIFY(order == expected);
    }

    void waitsForJobsSubmittedByJobsAndDestructionRunsEveryQueuedJob()
    {
        std::atomic<int> done { 0 };
        {
            SerialQueue queue(QStringLiteral("t"));
            queue.submit([&] {
                std::this_thread::sleep_for(30ms);
                queue.submit([&] {
                    std::this_thread::sleep_for(10ms);
                    ++done;
                });
                ++done;
            });
            queue.waitUntilIdle();
            QCOMPARE(done.load(), 2);
            for (int i = 0; i < 50; ++i)
                queue.submit([&] {
                    std::this_thread::sleep_for(100us);
                    ++done;
                });
        }
        QCOMPARE(done.load(), 52);
    }
};

QTEST_GUILESS_MAIN(SerialQueueTest)
#include "SerialQueueTest.moc"
