#include "platform/SerialQueue.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
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
        std::vector<int> order;
        std::atomic<int> running { 0 };
        std::atomic<bool> overlapped { false }, onCallingThread { false };
        for (int i = 0; i < 100; ++i) {
            queue.submit([&, i] {
                overlapped = overlapped || running.fetch_add(1) != 0;
                onCallingThread = onCallingThread || std::this_thread::get_id() == mainThread;
                // Early jobs are slow so that parallel or out-of-order running shows.
                if (i < 5)
                    std::this_thread::sleep_for(2ms);
                order.push_back(i);
                running.fetch_sub(1);
            });
        }
        queue.waitUntilIdle();
        QVERIFY(!overlapped);
        QVERIFY(!onCallingThread);
        // Each job pushes its own number once: 100 numbers in ascending order are 0..99.
        QCOMPARE(order.size(), size_t(100));
        QVERIFY(std::is_sorted(order.begin(), order.end()));
    }

    void waitUntilIdleWaitsForTheRunningJobAndJobsItSubmits()
    {
        SerialQueue queue(QStringLiteral("t"));
        std::atomic<int> done { 0 };
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
    }

    void destructionRunsEveryQueuedJob()
    {
        std::atomic<int> done { 0 };
        {
            SerialQueue queue(QStringLiteral("t"));
            for (int i = 0; i < 50; ++i)
                queue.submit([&] {
                    std::this_thread::sleep_for(100us);
                    ++done;
                });
        }
        QCOMPARE(done.load(), 50);
    }

private:
    const std::thread::id mainThread = std::this_thread::get_id();
};

QTEST_GUILESS_MAIN(SerialQueueTest)
#include "SerialQueueTest.moc"
