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

QString oneLine(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph)
            shown += QStringLiteral("\\u{%1}").arg(c.unicode(), 0, 16);
        else
            shown += c;
    }
    return shown;
}

void line(const QString& text)
{
    const QString shown = oneLine(text);
    const QByteArray utf8 = shown.toUtf8();
    std::lock_guard lock(logMutex());
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (capturedLines)
        capturedLines->append(shown);
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
