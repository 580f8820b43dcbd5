#include "WindowGrab.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

struct Connection {
    explicit Connection(const QString& display)
        : handle(xcb_connect(display.toLocal8Bit().constData(), nullptr))
    {
    }
    ~Connection() { xcb_disconnect(handle); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    [[nodiscard]] bool ok() const { return handle && !xcb_connection_has_error(handle); }

    xcb_connection_t* handle;
};

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply> ReplyPtr<Reply> owned(Reply* reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

} // namespace

namespace WindowGrab {

QImage contents(const QString& display, quint32 window)
{
    Connection connection(display);
    if (!connection.ok())
        return {};
    auto attributes = owned(xcb_get_window_attributes_reply(
        connection.handle, xcb_get_window_attributes(connection.handle, window), nullptr));
    auto geometry
        = owned(xcb_get_geometry_reply(connection.handle, xcb_get_geometry(connection.handle, window), nullptr));
    if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return {};

    auto image = owned(xcb_get_image_reply(connection.handle,
        xcb_get_image(
            connection.handle, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, geometry->width, geometry->height, ~0u),
        nullptr));
    if (!image)
        return {};
    // Xvfb at depth 24 (and the compositor's 32-bit visuals) store 32 bits
    // per pixel in the server's byte order, which on every machine we run on
    // is Qt's ARGB32.
    const int width = geometry->width, height = geometry->height;
    if (xcb_get_image_data_length(image.get()) < width * height * 4)
        return {};
    const QImage::Format format = geometry->depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return QImage(xcb_get_image_data(image.get()), width, height, width * 4, format).copy();
}

std::optional<QRect> geometry(const QString& display, quint32 window)
{
    Connection connection(display);
    if (!connection.ok())
        return std::nullopt;
    auto geometry
        = owned(xcb_get_geometry_reply(connection.handle, xcb_get_geometry(connection.handle, window), nullptr));
    if (!geometry)
        return std::nullopt;
    auto translated = owned(xcb_translate_coordinates_reply(
        connection.handle, xcb_translate_coordinates(connection.handle, window, geometry->root, 0, 0), nullptr));
    if (!translated)
        return std::nullopt;
    return QRect(translated->dst_x, translated->dst_y, geometry->width, geometry->height);
}

} // namespace WindowGrab
