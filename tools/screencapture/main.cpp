// scrapwick-screencapture: photographs a screen into a PNG file.
//
//   scrapwick-screencapture -x -m FILE
//   scrapwick-screencapture -x -R X,Y,W,H FILE
//
// "-x" (no shutter sound) and "-m" (main display only) are accepted for the
// command line's sake: without "-R" the primary screen is what is captured.
// "-R" (also written "-RX,Y,W,H") names another area instead, in the X
// screen's pixels, such as a second monitor. Either way the picture is in
// physical pixels (the screen's device pixel ratio). Exit status 0 on
// success; otherwise a message on standard error and 1.
//
// How, chosen for speed (the user waits for this on every capture):
// - X11 directly through xcb, no toolkit start-up: one GetImage of the root
//   window over the primary screen's rectangle. The primary screen is RandR's
//   primary output, else the first output that shows something, as Qt picks
//   it, so the rectangle matches the overlay the app put on that screen; with
//   no RandR at all it is the whole root window.
// - Pixels are converted as the root visual's colour masks say (10-bit
//   deep-colour and 16-bit screens too), with a straight byte copy for the
//   usual 8-bit BGRx layout. Colour-mapped screens are refused.
// - libspng without row filters at zlib level 1: the caller reads the file back
//   at once and deletes it, so size matters much less than time.

#include <spng.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <bit>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {
template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> Reply<T> reply(T* raw)
{
    return Reply<T>(raw, &std::free);
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "scrapwick-screencapture: %s\n", message.c_str());
    return 1;
}

struct Area {
    int16_t x = 0, y = 0;
    uint16_t width = 0, height = 0;
};

bool crtcArea(xcb_connection_t* connection, xcb_randr_output_t output, Area& area)
{
    auto info = reply(xcb_randr_get_output_info_reply(
        connection, xcb_randr_get_output_info(connection, output, XCB_CURRENT_TIME), nullptr));
    if (!info || info->crtc == XCB_NONE)
        return false;
    auto crtc = reply(xcb_randr_get_crtc_info_reply(
        connection, xcb_randr_get_crtc_info(connection, info->crtc, XCB_CURRENT_TIME), nullptr));
    if (!crtc || crtc->width == 0 || crtc->height == 0)
        return false;
    area = { crtc->x, crtc->y, crtc->width, crtc->height };
    return true;
}

Area primaryArea(xcb_connection_t* connection, const xcb_screen_t* screen)
{
    Area whole { 0, 0, screen->width_in_pixels, screen->height_in_pixels };
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (!randr || !randr->present)
        return whole;

    Area area;
    auto primary = reply(xcb_randr_get_output_primary_reply(
        connection, xcb_randr_get_output_primary(connection, screen->root), nullptr));
    if (primary && primary->output != XCB_NONE && crtcArea(connection, primary->output, area))
        return area;

    auto resources = reply(xcb_randr_get_screen_resources_current_reply(
        connection, xcb_randr_get_screen_resources_current(connection, screen->root), nullptr));
    if (resources) {
        const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(resources.get());
        const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
        for (int i = 0; i < count; ++i)
            if (crtcArea(connection, outputs[i], area))
                return area;
    }
    return whole;
}

// Bits per pixel of the image format that `depth` is served in.
int bitsPerPixel(const xcb_setup_t* setup, uint8_t depth)
{
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth)
            return it.data->bits_per_pixel;
    return 0;
}

const xcb_visualtype_t* findVisual(const xcb_screen_t* screen, xcb_visualid_t id)
{
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem; xcb_depth_next(&depths))
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == id)
                return visuals.data;
    return nullptr;
}

// One colour channel of a pixel word: where its bits lie, and their value
// scaled to 8 bits through a table (up to 16 bits per channel).
class Channel {
public:
    // False unless `mask` is one run of 1 to 16 bits.
    bool set(uint32_t mask)
    {
        if (mask == 0)
            return false;
        m_shift = std::countr_zero(mask);
        const uint32_t maximum = mask >> m_shift;
        if ((maximum & (maximum + 1)) != 0 || maximum > 0xffff)
            return false;
        m_mask = mask;
        m_table.resize(maximum + 1);
        for (uint32_t v = 0; v <= maximum; ++v)
            m_table[v] = uint8_t((v * 255 + maximum / 2) / maximum); // rounded
        return true;
    }
    [[nodiscard]] uint8_t operator()(uint32_t word) const { return m_table[(word & m_mask) >> m_shift]; }
    [[nodiscard]] bool isByteAt(int shift) const { return m_mask == 0xffu << shift; }

private:
    uint32_t m_mask = 0;
    int m_shift = 0;
    std::vector<uint8_t> m_table;
};

// Turns the screen's pixel words into 8-bit RGB, as the visual's colour masks
// say: 8 bits a channel on most screens, 10 on deep-colour ones, 5-6-5 on
// 16-bit ones. Colour-mapped visuals and unusual word sizes are refused.
bool toRgb(const xcb_setup_t* setup, const xcb_visualtype_t* visual, const xcb_get_image_reply_t& image, size_t pixels,
    std::vector<uint8_t>& rgb)
{
    const int bits = bitsPerPixel(setup, image.depth);
    const size_t bytes = size_t(bits) / 8;
    Channel red, green, blue;
    if (!visual || (visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR && visual->_class != XCB_VISUAL_CLASS_DIRECT_COLOR)
        || (bits != 16 && bits != 32) || !red.set(visual->red_mask) || !green.set(visual->green_mask)
        || !blue.set(visual->blue_mask) || size_t(xcb_get_image_data_length(&image)) < pixels * bytes)
        return false;

    const bool lsbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    const uint8_t* source = xcb_get_image_data(&image);
    rgb.resize(pixels * 3);
    const auto convert = [&](auto wordAt) {
        for (size_t i = 0; i < pixels; ++i, source += bytes) {
            const uint32_t word = wordAt(source);
            rgb[3 * i] = red(word);
            rgb[3 * i + 1] = green(word);
            rgb[3 * i + 2] = blue(word);
        }
    };
    if (bytes == 4 && lsbFirst && red.isByteAt(16) && green.isByteAt(8) && blue.isByteAt(0)) {
        // The usual BGRx bytes: copied as they are, which is quickest.
        for (size_t i = 0; i < pixels; ++i, source += 4) {
            rgb[3 * i] = source[2];
            rgb[3 * i + 1] = source[1];
            rgb[3 * i + 2] = source[0];
        }
    } else if (bytes == 4 && lsbFirst == (std::endian::native == std::endian::little)) {
        convert([](const uint8_t* at) {
            uint32_t word;
            std::memcpy(&word, at, 4);
            return word;
        });
    } else {
        convert([&](const uint8_t* at) {
            uint32_t word = 0;
            for (size_t b = 0; b < bytes; ++b)
                word |= uint32_t(at[b]) << (8 * (lsbFirst ? b : bytes - 1 - b));
            return word;
        });
    }
    return true;
}

// "X,Y,W,H" with a positive size, within the X screen's 16-bit coordinates.
bool parseArea(const std::string& text, Area& area)
{
    long values[4];
    const char* at = text.c_str();
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        errno = 0;
        values[i] = std::strtol(at, &end, 10);
        if (end == at || errno != 0 || *end != (i < 3 ? ',' : '\0'))
            return false;
        at = end + 1;
    }
    if (values[0] < INT16_MIN || values[0] > INT16_MAX || values[1] < INT16_MIN || values[1] > INT16_MAX
        || values[2] <= 0 || values[2] > UINT16_MAX || values[3] <= 0 || values[3] > UINT16_MAX)
        return false;
    area = { int16_t(values[0]), int16_t(values[1]), uint16_t(values[2]), uint16_t(values[3]) };
    return true;
}

bool writePng(const char* path, const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height, std::string& error)
{
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        error = std::string("cannot open ") + path + ": " + std::strerror(errno);
        return false;
    }
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> context(spng_ctx_new(SPNG_CTX_ENCODER), &spng_ctx_free);
    spng_set_png_file(context.get(), file);
    spng_ihdr header {};
    header.width = width;
    header.height = height;
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    spng_set_ihdr(context.get(), &header);
    spng_set_option(context.get(), SPNG_FILTER_CHOICE, SPNG_DISABLE_FILTERING);
    spng_set_option(context.get(), SPNG_IMG_COMPRESSION_LEVEL, 1);
    const int status = spng_encode_image(context.get(), rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    context.reset();
    const bool closed = std::fclose(file) == 0;
    if (status != 0 || !closed) {
        error = std::string("cannot write ") + path + ": " + (status ? spng_strerror(status) : std::strerror(errno));
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    const char* const usage = "usage: scrapwick-screencapture -x [-m | -R X,Y,W,H] FILE";
    const char* path = nullptr;
    std::optional<Area> requested;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-x" || argument == "-m")
            continue;
        if (argument.rfind("-R", 0) == 0) {
            const std::string value = argument.size() > 2 ? argument.substr(2) : (i + 1 < argc ? argv[++i] : "");
            Area area;
            if (!parseArea(value, area))
                return fail("bad area \"" + value + "\" (want X,Y,W,H); " + usage);
            requested = area;
            continue;
        }
        if (argument.empty() || argument[0] == '-' || path)
            return fail(usage);
        path = argv[i];
    }
    if (!path)
        return fail(usage);

    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(nullptr, &screenNumber), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get()))
        return fail("cannot connect to the X server (is DISPLAY set?)");
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    const xcb_screen_t* screen = screens.data;
    if (!screen)
        return fail("no X screen");

    const Area area = requested ? *requested : primaryArea(connection.get(), screen);
    if (area.x < 0 || area.y < 0 || area.x + area.width > screen->width_in_pixels
        || area.y + area.height > screen->height_in_pixels)
        return fail("the area lies outside the screen (" + std::to_string(screen->width_in_pixels) + " x "
            + std::to_string(screen->height_in_pixels) + ")");
    auto image = reply(xcb_get_image_reply(connection.get(),
        xcb_get_image(
            connection.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, area.x, area.y, area.width, area.height, ~0u),
        nullptr));
    if (!image)
        return fail("cannot read the screen");
    const xcb_setup_t* setup = xcb_get_setup(connection.get());
    std::vector<uint8_t> rgb;
    if (!toRgb(setup, findVisual(screen, image->visual), *image, size_t(area.width) * area.height, rgb))
        return fail("unsupported screen pixel format");
    image.reset();

    std::string error;
    if (!writePng(path, rgb, area.width, area.height, error))
        return fail(error);
    return 0;
}
