#include "platform/DesktopCompositor.h"

#include <QByteArray>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <memory>

namespace {
bool x11CompositorRunning()
{
    // A connection of our own: it tells us the default screen's number, which
    // the selection's name needs, and costs about a millisecond.
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> guard(connection, &xcb_disconnect);
    if (xcb_connection_has_error(connection))
        return false;

    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber);
    const xcb_intern_atom_cookie_t atomCookie = xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData());
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atom(
        xcb_intern_atom_reply(connection, atomCookie, nullptr), &free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false; // nobody ever created the name, so nobody owns it

    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr), &free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}
} // namespace

bool DesktopCompositor::isRunning()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return x11CompositorRunning();
    return true;
}
