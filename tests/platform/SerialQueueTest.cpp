#include "platform/SerialQueue.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

class SerialQueueTest : public QObject
{
    Q_OBJECT

private slots:
    void runsJobsOneAtATimeInSubmissionOrder()
    {
        SerialQueue queue(QStringLiteral("test-persistence"));
        std::vector<int> order;
        std::atomic<int> running{0};
        std::atomic<bool> overlapped{false};
        for (int i = 0; i < 200; ++i) {
            queue.submit([&, i] {
                if (running.fetch_add(1) != 0)
                    overlapped = true;
                // Early jobs are slow so that a queue running jobs in parallel or
                // out of order would be caught.
                if (i < 5)
                    std::this_thread::sleep_for(2ms);
                order.push_back(i);
                running.fetch_sub(1);
            });
        }
        queue.waitUntilIdle();
        QVERIFY(!overlapped);
        QCOMPARE(order.size(), size_t(200));
        for (int i = 0; i < 200; ++i)
            QCOMPARE(order[size_t(i)], i);
    }

    void jobsRunOffTheCallingThread()
    {
        SerialQueue queue(QStringLiteral("t"));
        std::thread::id jobThread;
        queue.submit([&] { jobThread = std::this_thread::get_id(); });
        queue.waitUntilIdle();
        QVERIFY(jobThread != std::thread::id());
        QVERIFY(jobThread != std::this_thread::get_id());
    }

    void waitUntilIdleWaitsForTheRunningJobAndJobsItSubmits()
    {
        SerialQueue queue(QStringLiteral("t"));
        std::atomic<int> done{0};
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

    void waitUntilIdleReturnsAtOnceWhenNothingWasSubmitted()
    {
        SerialQueue queue(QStringLiteral("t"));
        queue.waitUntilIdle();
        queue.waitUntilIdle();
    }

    void waitUntilIdleFromSeveralThreads()
    {
        SerialQueue queue(QStringLiteral("t"));
        std::atomic<int> done{0};
        for (int i = 0; i < 20; ++i)
            queue.submit([&] {
                std::this_thread::sleep_for(1ms);
                ++done;
            });
        std::vector<std::thread> waiters;
        std::mutex seenMutex;
        std::vector<int> seen;
        for (int i = 0; i < 3; ++i)
            waiters.emplace_back([&] {
                queue.waitUntilIdle();
                std::lock_guard lock(seenMutex);
                seen.push_back(done.load());
            });
        for (auto& t : waiters)
            t.join();
        for (int value : seen)
            QCOMPARE(value, 20);
    }

    void destructionRunsEveryQueuedJob()
    {
        std::atomic<int> done{0};
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
};

QTEST_GUILESS_MAIN(SerialQueueTest)
#include "SerialQueueTest.moc"
