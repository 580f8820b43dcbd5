#include "platform/Log.h"

#include <cstdio>
#include <mutex>

namespace Log {
namespace {
std::mutex& logMutex()
{
    static std::mutex mutex;
    return mutex;
}
// Lines recorded for ScopedCapture; only one capture is expected at a time.
QStringList* capturedLines = nullptr;
} // namespace

void line(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::lock_guard lock(logMutex());
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (capturedLines)
        capturedLines->append(text);
}

ScopedCapture::ScopedCapture()
{
    std::lock_guard lock(logMutex());
    delete capturedLines;
    capturedLines = new QStringList;
}

ScopedCapture::~ScopedCapture()
{
    std::lock_guard lock(logMutex());
    delete capturedLines;
    capturedLines = nullptr;
}

QStringList ScopedCapture::lines() const
{
    std::lock_guard lock(logMutex());
    return capturedLines ? *capturedLines : QStringList();
}
} // namespace Log
