#pragma once

#include <QObject>

#include <chrono>
#include <functional>

// Work handed to the main thread's event loop. Callable from any thread; the
// work runs on the thread of `context` (the main thread for every object we
// pass) and is dropped if `context` is destroyed first.
namespace MainQueue {
void async(const QObject* context, std::function<void()> work);
void after(std::chrono::milliseconds delay, const QObject* context, std::function<void()> work);
} // namespace MainQueue
