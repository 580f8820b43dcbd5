#include "platform/AllDesktops.h"

#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t result = reply->atom;
    std::free(reply);
    return result;
}

// A client message to the root window, the way EWMH asks a window manager to
// change a mapped window's state.
void sendToWindowManager(
    xcb_connection_t* connection, xcb_window_t root, xcb_window_t window, xcb_atom_t type, uint32_t d0, uint32_t d1)
{
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    event.data.data32[0] = d0;
    event.data.data32[1] = d1;
    event.data.data32[3] = 1; // from a normal application
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
        reinterpret_cast<const char*>(&event));
}

} // namespace

namespace AllDesktops {

void request(QWindow& window)
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t id = xcb_window_t(window.winId());
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return;

    constexpr uint32_t addState = 1;
    constexpr uint32_t allDesktops = 0xFFFFFFFF;
    const xcb_atom_t wmState = atom(connection, "_NET_WM_STATE");
    const xcb_atom_t sticky = atom(connection, "_NET_WM_STATE_STICKY");
    const xcb_atom_t desktop = atom(connection, "_NET_WM_DESKTOP");
    // Before the window is mapped, the window manager reads these properties
    // when it takes the window on (Qt adds its own states to the list rather
    // than replacing it); once mapped, only a request to the window manager
    // changes them. Doing both covers either moment.
    if (wmState != XCB_ATOM_NONE && sticky != XCB_ATOM_NONE) {
        xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, wmState, XCB_ATOM_ATOM, 32, 1, &sticky);
        sendToWindowManager(connection, screen->root, id, wmState, addState, sticky);
    }
    if (desktop != XCB_ATOM_NONE) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
        sendToWindowManager(connection, screen->root, id, desktop, allDesktops, 0);
    }
    xcb_flush(connection);
}

} // namespace AllDesktops
