#include "platform/MainQueue.h"

#include <QMetaObject>
#include <QPointer>
#include <QTimer>

namespace MainQueue {

void async(const QObject* context, std::function<void()> work)
{
    QMetaObject::invokeMethod(const_cast<QObject*>(context), std::move(work), Qt::QueuedConnection);
}

void after(std::chrono::milliseconds delay, const QObject* context, std::function<void()> work)
{
    // Start the timer from the context's own thread: a timer cannot be started
    // from a worker thread that has no event loop.
    async(context,
        [delay, context, work = std::move(work)]() mutable { QTimer::singleShot(delay, context, std::move(work)); });
}

} // namespace MainQueue
