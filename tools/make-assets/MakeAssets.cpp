// Draws every image asset of the interface as pixel art and writes them as PNG
// files (one pixel per point; the theme scales them by whole factors at draw
// time). Run through scripts/make-assets; the output is committed.
#include "PixelCanvas.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QTextStream>

#include <functional>
#include <map>

namespace {

const QColor ink(Qt::black);
const QColor paper(Qt::white);
const QColor clear(Qt::transparent);

QString chicagoFamily;

// --- patterns -----------------------------------------------------------------

// Classic 50 % dither.
PixelCanvas dither50(int w, int h)
{
    PixelCanvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x + y) % 2 == 0)
                c.set(x, y, ink);
    return c;
}

// Horizontal rules on every other row, from row `first` to row `last`.
PixelCanvas stripes(int w, int h, int first, int last)
{
    PixelCanvas c(w, h);
    for (int y = first; y <= last; y += 2)
        c.fill(0, y, w, 1, ink);
    return c;
}

PixelCanvas checkerboardTile()
{
    // A light, offset checker of single dots: reads as a grey field behind the
    // panel's buttons while leaving most of it white.
    return PixelCanvas::fromRows({
        "#...",
        "..#.",
        "#...",
        "..#.",
    });
}

PixelCanvas scrollbarTrackTile()
{
    // 28 points wide: the dithered track with a rule along its left edge,
    // where it meets the grid.
    PixelCanvas c = dither50(28, 2);
    c.fill(0, 0, 1, 2, ink);
    return c;
}

// --- panel icons ------------------------------------------------------------------

PixelCanvas scissors()
{
    return PixelCanvas::fromRows({
        "...#.......#...",
        "...##.....##...",
        "....##...##....",
        ".....##.##.....",
        "......###......",
        "......#w#......",
        "......###......",
        ".....##.##.....",
        "..####...####..",
        ".#...#...#...#.",
        ".#...#...#...#.",
        ".#...#...#...#.",
        "..###.....###..",
    });
}

PixelCanvas heart()
{
    return PixelCanvas::fromRows({
        "...............",
        "..###.....###..",
        ".#####...#####.",
        "###############",
        "###############",
        "###############",
        ".#############.",
        "..###########..",
        "...#########...",
        "....#######....",
        ".....#####.....",
        "......###......",
        ".......#.......",
    });
}

PixelCanvas panelMinimize()
{
    // White: it sits on the panel's black title row.
    return PixelCanvas::fromRows({
        "wwwwwwww",
        "w......w",
        "w......w",
        "w.wwww.w",
        "w.wwww.w",
        "w......w",
        "w......w",
        "wwwwwwww",
    });
}

PixelCanvas menubar()
{
    // Black scissors with a white rim, so the tray icon shows on dark and on
    // light panels alike.
    PixelCanvas c(22, 22);
    c.blit(scissors(), 3, 4);
    c.halo(paper);
    return c;
}

// --- window title bars ------------------------------------------------------------------

PixelCanvas titleMinimize()
{
    PixelCanvas c(16, 16);
    c.fill(3, 7, 10, 2, ink);
    return c;
}

PixelCanvas titleClose()
{
    PixelCanvas c(16, 16);
    c.line({ 3, 3 }, { 11, 11 }, ink, 2);
    c.line({ 11, 3 }, { 3, 11 }, ink, 2);
    return c;
}

// --- scroll arrows ------------------------------------------------------------------

// An arrow pointing up, centred in a w x h box, head `head` rows high.
PixelCanvas upArrowGlyph(int w, int h, int head, int stemWidth, int stemHeight)
{
    PixelCanvas c(w, h);
    const int top = (h - head - stemHeight) / 2;
    for (int row = 0; row < head; ++row) {
        const int span = 2 + 2 * row;
        c.fill(w / 2 - span / 2, top + row, span, 1, ink);
    }
    c.fill(w / 2 - stemWidth / 2, top + head, stemWidth, stemHeight, ink);
    return c;
}

PixelCanvas scrollUpButton()
{
    // 28 x 28: a white box with a black rim and a solid arrow.
    PixelCanvas c(28, 28);
    c.fill(0, 0, 28, 28, paper);
    c.outline(0, 0, 28, 28, ink);
    c.blit(upArrowGlyph(28, 28, 6, 6, 6), 0, 0);
    return c;
}

// --- mood board ------------------------------------------------------------------

PixelCanvas sortArrow(bool withBar)
{
    PixelCanvas c(14, 14);
    const PixelCanvas arrow = upArrowGlyph(14, 14, 5, 4, withBar ? 4 : 6);
    c.blit(arrow, 0, withBar ? 1 : 0);
    if (withBar)
        c.fill(2, 1, 10, 2, ink);
    return c;
}

PixelCanvas radio(bool selected)
{
    return PixelCanvas::fromRows(selected
                                     ? QStringList{
                                           "..###..",
                                           ".#...#.",
                                           "#.###.#",
                                           "#.###.#",
                                           "#.###.#",
                                           ".#...#.",
                                           "..###..",
                                       }
                                     : QStringList{
                                           "..###..",
                                           ".#www#.",
                                           "#wwwww#",
                                           "#wwwww#",
                                           "#wwwww#",
                                           ".#www#.",
                                           "..###..",
                                       });
}

PixelCanvas rotateHandle()
{
    // A white disc with a black rim and a turning arrow, readable on any image.
    return PixelCanvas::fromRows({
        "....######....",
        "..##wwwwww##..",
        ".#wwwwwwwwww#.",
        ".#www####w#w#.",
        "#www#wwww##ww#",
        "#ww#wwww###ww#",
        "#ww#wwwwwwwww#",
        "#ww#wwwwwwwww#",
        "#www#wwwww#ww#",
        "#wwww#####www#",
        ".#wwwwwwwwww#.",
        ".#wwwwwwwwww#.",
        "..##wwwwww##..",
        "....######....",
    });
}

PixelCanvas layerScrollbarThumb()
{
    return PixelCanvas::fromRows({
        "#################",
        "#wwwwwwwwwwwwwww#",
        "#wwwww#w#w#wwwww#",
        "#wwwww#w#w#wwwww#",
        "#wwwww#w#w#wwwww#",
        "#wwwww#w#w#wwwww#",
        "#wwwwwwwwwwwwwww#",
        "#################",
    });
}

// A 43 x 43 toolbar cell: a one-point frame (neighbouring cells overlap on it)
// around a glyph drawn in the middle.
PixelCanvas toolbarCell(const std::function<void(PixelCanvas&)>& glyph)
{
    PixelCanvas c(43, 43);
    c.outline(0, 0, 43, 43, ink);
    glyph(c);
    return c;
}

PixelCanvas layerCopy()
{
    return toolbarCell([](PixelCanvas& c) {
        c.outline(11, 11, 15, 15, ink, 2);
        c.fill(17, 17, 15, 15, paper);
        c.outline(17, 17, 15, 15, ink, 2);
        c.fill(21, 24, 7, 1, ink);
        c.fill(24, 21, 1, 7, ink);
    });
}

PixelCanvas layerOrder()
{
    return toolbarCell([](PixelCanvas& c) {
        for (int i = 2; i >= 0; --i) {
            const int x = 11 + i * 4, y = 11 + (2 - i) * 5;
            c.fill(x, y, 17, 11, paper);
            c.outline(x, y, 17, 11, ink, 2);
        }
    });
}

// A three-quarter ring, open at the upper right, whose top end carries an arrow
// head pointing right: turning clockwise; mirrored for anticlockwise.
PixelCanvas turnArrow(int size, double radius, bool clockwise)
{
    PixelCanvas c(size, size);
    const QPointF centre(size / 2.0, size / 2.0);
    for (double r = radius - 1; r <= radius + 0.01; r += 0.25)
        c.circle(centre, r, ink, 90, 360);
    const int half = radius > 6 ? 4 : 2;
    const int tipY = int(centre.y() - radius + 0.5);
    const int baseX = int(centre.x());
    for (int i = 0; i <= half; ++i)
        c.fill(baseX + i, tipY - (half - i), 1, 2 * (half - i) + 1, ink);
    return clockwise ? c : c.mirroredHorizontally();
}

PixelCanvas rotateIcon()
{
    return toolbarCell([](PixelCanvas& c) { c.blit(turnArrow(23, 9, true), 10, 10); });
}

PixelCanvas deleteIcon()
{
    return toolbarCell([](PixelCanvas& c) {
        c.fill(18, 10, 7, 2, ink); // handle
        c.fill(11, 12, 21, 2, ink); // lid
        c.outline(13, 15, 17, 18, ink, 2);
        for (int x = 17; x <= 25; x += 4)
            c.fill(x, 18, 1, 12, ink);
    });
}

PixelCanvas undoGlyph()
{
    // A hooked arrow: the head points left, the tail curls round to the right
    // and down.
    PixelCanvas c(23, 21);
    c.fill(6, 4, 11, 2, ink);
    c.circle({ 15.5, 11.0 }, 6, ink, -90, 90);
    c.circle({ 15.5, 11.0 }, 5, ink, -90, 90);
    c.fill(6, 16, 10, 2, ink);
    for (int i = 0; i < 6; ++i)
        c.fill(1 + i, 5 - i, 1, 2 * i + 1, ink);
    c.fill(1, 4, 6, 2, ink);
    return c;
}

PixelCanvas undoIcon()
{
    return toolbarCell([](PixelCanvas& c) { c.blit(undoGlyph(), 10, 11); });
}

PixelCanvas redoIcon()
{
    return toolbarCell([](PixelCanvas& c) { c.blit(undoGlyph().mirroredHorizontally(), 10, 11); });
}

// A 132 x 18 row of the rotate menu: a 13 x 13 glyph and a label.
PixelCanvas menuRow(const PixelCanvas& glyph, const QString& label)
{
    PixelCanvas c(132, 18);
    c.blit(glyph, 10, (18 - glyph.height()) / 2);
    c.text(30, 12, label, chicagoFamily, 8, ink);
    return c;
}

PixelCanvas flipGlyph()
{
    // Two triangles facing a dashed mirror line.
    PixelCanvas c(13, 13);
    for (int y = 0; y < 13; y += 2)
        c.set(6, y, ink);
    for (int i = 0; i < 5; ++i) {
        c.fill(4 - i, 6 - i, 1, 2 * i + 1, ink);
        c.fill(8 + i, 6 - i, 1, 2 * i + 1, ink);
    }
    // Hollow the right triangle so the two halves read as original and mirror.
    for (int i = 1; i < 4; ++i)
        c.fill(8 + i, 7 - i, 1, 2 * i - 1, clear);
    return c;
}

// A 49 x 26 image button: rounded box with a centred label, inverted when open.
PixelCanvas labelButton(const QString& label, bool inverted)
{
    const QColor face = inverted ? ink : paper;
    const QColor text = inverted ? paper : ink;
    PixelCanvas c(49, 26);
    c.fill(1, 0, 47, 26, ink);
    c.fill(0, 1, 49, 24, ink);
    c.fill(2, 1, 45, 24, face);
    c.fill(1, 2, 47, 22, face);
    c.set(1, 1, ink);
    c.set(47, 1, ink);
    c.set(1, 24, ink);
    c.set(47, 24, ink);
    const int textWidth = label.size() * 8;
    c.text((49 - textWidth) / 2, 18, label, chicagoFamily, 16, text);
    return c;
}

// --- application icon -------------------------------------------------------------------

// The floating panel in miniature: black rounded body, striped title, white
// field holding the scissors.
PixelCanvas appIcon32()
{
    PixelCanvas c(32, 32);
    c.fill(2, 0, 28, 32, ink);
    c.fill(1, 1, 30, 30, ink);
    c.fill(0, 2, 32, 28, ink);
    c.fill(4, 3, 24, 1, paper);
    c.fill(4, 5, 24, 1, paper);
    c.fill(3, 8, 26, 21, paper);
    c.set(3, 8, ink);
    c.set(28, 8, ink);
    c.set(3, 28, ink);
    c.set(28, 28, ink);
    c.blit(scissors(), 9, 12);
    return c;
}

bool save(const PixelCanvas& canvas, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!canvas.image().save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        QTextStream(stderr) << "usage: make-assets RESOURCES_DIR [PREVIEW.png]\n";
        return 2;
    }
    const QString resources = QString::fromLocal8Bit(argv[1]);
    const int fontId = QFontDatabase::addApplicationFont(resources + "/fonts/misaki_gothic_2nd.ttf");
    chicagoFamily = QFontDatabase::applicationFontFamilies(fontId).value(0);
    if (chicagoFamily.isEmpty()) {
        QTextStream(stderr) << "cannot load the title font from " << resources << "/fonts\n";
        return 1;
    }

    const PixelCanvas scrollUp = scrollUpButton();
    const PixelCanvas scrollDown = scrollUp.mirroredVertically();
    const PixelCanvas scrollLeft = scrollUp.rotated90().mirroredHorizontally();
    const PixelCanvas scrollRight = scrollUp.rotated90();

    const std::map<QString, PixelCanvas> assets = {
        { "checkerboard-tile", checkerboardTile() },
        { "icon-scissors", scissors() },
        { "icon-heart", heart() },
        { "icon-minimize", panelMinimize() },
        { "icon-menubar", menubar() },
        { "icon-gallery-titlebar-stripe", stripes(4, 16, 1, 13) },
        { "icon-moodboard-titlebar-stripe", stripes(8, 16, 1, 13) },
        { "icon-gallery-minimize", titleMinimize() },
        { "icon-gallery-close", titleClose() },
        { "icon-gallery-scroll-up", scrollUp },
        { "icon-gallery-scroll-down", scrollDown },
        { "scrollbar-track-tile", scrollbarTrackTile() },
        { "icon-moodboard-scroll-up", scrollUp },
        { "icon-moodboard-scroll-down", scrollDown },
        { "icon-moodboard-scroll-left", scrollLeft },
        { "icon-moodboard-scroll-right", scrollRight },
        // Shown at natural size in a frame as long as the track, so they are
        // as long as the largest window allows.
        { "moodboard-scrollbar-track-tile", dither50(2624, 28) },
        { "moodboard-scrollbar-track-tile-vertical", dither50(28, 2512) },
        { "moodboard-layerpanel-scrollbar-track-tile", dither50(2, 2) },
        { "moodboard-toolbar-topbar-tile", stripes(2, 18, 3, 15) },
        { "icon-layer-move-up", sortArrow(false) },
        { "icon-layer-move-down", sortArrow(false).mirroredVertically() },
        { "icon-layer-to-top", sortArrow(true) },
        { "icon-layer-to-bottom", sortArrow(true).mirroredVertically() },
        { "icon-layer-radio-a", radio(false) },
        { "icon-layer-radio-b", radio(true) },
        { "icon-layer-rotate-handle", rotateHandle() },
        { "icon-layer-scrollbar-thumb", layerScrollbarThumb() },
        { "icon-layer-copy", layerCopy() },
        { "icon-layer-order", layerOrder() },
        { "icon-rotate", rotateIcon() },
        { "icon-delete", deleteIcon() },
        { "icon-undo", undoIcon() },
        { "icon-redo", redoIcon() },
        { "icon-rotate-right-row", menuRow(turnArrow(13, 5, true), "Rotate Right 90\u00B0") },
        { "icon-rotate-left-row", menuRow(turnArrow(13, 5, false), "Rotate Left 90\u00B0") },
        { "icon-flip-h-row", menuRow(flipGlyph(), "Flip Horizontal") },
        { "icon-flip-v-row", menuRow(flipGlyph().rotated90(), "Flip Vertical") },
        { "icon-save-a", labelButton("Save", false) },
        { "icon-save-b", labelButton("Save", true) },
        { "icon-clear-a", labelButton("Clear", false) },
        { "icon-clear-b", labelButton("Clear", true) },
    };

    bool ok = true;
    for (const auto& [name, canvas] : assets)
        ok = save(canvas, resources + "/assets/" + name + ".png") && ok;

    if (argc == 3) {
        // A contact sheet of every asset at four times its size, on grey.
        QImage sheet(1400, 1000, QImage::Format_ARGB32);
        sheet.fill(QColor(160, 160, 160));
        QPainter painter(&sheet);
        int x = 4, y = 4, rowHeight = 0;
        for (const auto& [name, canvas] : assets) {
            const QImage big = canvas.image()
                                   .copy(0, 0, std::min(canvas.width(), 140), std::min(canvas.height(), 60))
                                   .scaled(std::min(canvas.width(), 140) * 4, std::min(canvas.height(), 60) * 4);
            if (x + big.width() > sheet.width()) {
                x = 4;
                y += rowHeight + 8;
                rowHeight = 0;
            }
            painter.drawImage(x, y, big);
            x += big.width() + 8;
            rowHeight = std::max(rowHeight, big.height());
        }
        painter.drawImage(x, y, appIcon32().scaled(4).image());
        painter.end();
        sheet.save(QString::fromLocal8Bit(argv[2]));
    }

    const PixelCanvas icon = appIcon32();
    const QString appId = "io.github.scrapwick.Scrapwick";
    for (const int factor : { 1, 2, 4, 8 })
        ok = save(icon.scaled(factor),
                 QString("%1/icons/hicolor/%2x%2/apps/%3.png").arg(resources).arg(32 * factor).arg(appId))
            && ok;
    // Smaller sizes for trays and menus: the same picture on a 16 and 24 grid
    // would lose the scissors, so these are the 32-pixel icon scaled smoothly.
    for (const int size : { 16, 22, 24, 48 }) {
        const QString path = QString("%1/icons/hicolor/%2x%2/apps/%3.png").arg(resources).arg(size).arg(appId);
        QDir().mkpath(QFileInfo(path).absolutePath());
        const QImage scaled
            = icon.scaled(2).image().scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        ok = scaled.save(path) && ok;
    }
    return ok ? 0 : 1;
}
