#include "WindowBench.h"

#include "X11Session.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <ctime>

namespace WindowBench {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

bool waitUntil(const std::function<bool()>& done, int ms)
{
    // processEvents with a time limit would spin; the timer ends a wait in vain.
    QTimer wake;
    wake.start(50);
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

void report(const char* name, QList<double> frames)
{
    if (frames.isEmpty()) {
        out() << name << ": no frames" << Qt::endl;
        return;
    }
    std::sort(frames.begin(), frames.end());
    const auto at = [&](double q) { return frames[qsizetype(q * double(frames.size() - 1))]; };
    const qsizetype over = std::count_if(frames.cbegin(), frames.cend(), [](double ms) { return ms > 16.7; });
    out() << name << ": " << frames.size() << " frames, median " << at(0.5) << " ms, p95 " << at(0.95) << " ms, p99 "
          << at(0.99) << " ms, max " << frames.last() << " ms, over 16.7 ms: " << over << Qt::endl;
}

int runOnPrivateDesktop(const std::function<bool(const QString& scrapwickFolder)>& seed)
{
    if (!X11Session::xvfbAvailable()) {
        out() << "Xvfb is not installed; scripts/install-deps installs it" << Qt::endl;
        return 1;
    }
    X11Session session({ .windowManager = true, .compositor = true });
    if (!session.start() || !seed(session.scrapwickFolder())) {
        out() << "could not prepare the desktop: " << session.lastError() << Qt::endl;
        return 1;
    }
    QProcess child;
    child.setProcessEnvironment(session.environment());
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), { "--child", session.scrapwickFolder() });
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        out() << "the measuring process failed ("
              << (child.exitStatus() == QProcess::CrashExit ? QStringLiteral("crashed")
                                                            : QStringLiteral("exit code %1").arg(child.exitCode()))
              << ")" << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace WindowBench
