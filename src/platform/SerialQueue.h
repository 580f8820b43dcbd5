#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One worker thread that runs jobs one at a time, in the order they were
// submitted. Each store owns one for its file writes, so a later write can
// never overtake an earlier one.
//
// Destroying the queue runs every job already submitted before it returns:
// a queued image write is a user's picture, and quitting must not drop it.
class SerialQueue {
public:
    explicit SerialQueue(QString label);
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void submit(std::function<void()> job);

    // Blocks until every job submitted so far has finished.
    void waitUntilIdle();

    [[nodiscard]] const QString& label() const { return m_label; }

private:
    void run();

    const QString m_label;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_worker;
};
