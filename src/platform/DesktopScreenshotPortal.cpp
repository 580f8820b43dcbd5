#include "platform/DesktopScreenshotPortal.h"

#include "platform/PortalScreenshotRequest.h"

DesktopScreenshotPortal::DesktopScreenshotPortal(QDBusConnection bus, std::chrono::milliseconds timeout)
    : m_bus(std::move(bus))
    , m_timeout(timeout)
{
}

void DesktopScreenshotPortal::takeScreenshot(QObject& context, Completion completion)
{
    // A child of the context: when the context goes, the request goes with it.
    auto* request = new PortalScreenshotRequest(m_bus, m_timeout, std::move(completion), &context);
    request->start();
}
