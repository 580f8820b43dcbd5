#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <optional>

class QPainter;
class QRectF;

// The two type roles of the interface. Code names a role, never a family.
enum class FontRole {
    chicago, // titles, menus, dialogs, buttons, toasts
    geneva, // small labels
};

struct ThemePalette {
    QColor ink { Qt::black };
    QColor paper { Qt::white };
    // Text of disabled controls.
    QColor disabled { 142, 142, 147 };
    // The squares behind the title-bar buttons: gray at a quarter opacity.
    QColor titleButtonBackground { 142, 142, 147, 64 };
    // The "MoodBoard" label of the floating panel: not quite black.
    QColor panelLabel { 2, 2, 2 };
};

// The monochrome pixel look, built once at start and handed to every window:
// palette, the two fonts and the image assets. Assets are looked up by their
// kebab-case names ("icon-scissors"); they are pixel art at one pixel per
// point and are scaled by whole factors, without smoothing, for high-density
// screens. Main thread only.
class Theme {
public:
    // Registers the bundled fonts. A font that cannot be loaded is logged and
    // replaced by the default family, so the program still runs.
    Theme();

    [[nodiscard]] const ThemePalette& palette() const { return m_palette; }

    // `size` is in points (device-independent pixels), as the layouts give it;
    // it is rounded to whole pixels, where the pixel fonts look their best.
    [[nodiscard]] QFont font(FontRole role, qreal size) const;
    [[nodiscard]] QString fontFamily(FontRole role) const;

    [[nodiscard]] static QString assetPath(const QString& name);
    [[nodiscard]] bool hasImage(const QString& name) const;
    // The asset at a whole-number scale of at least `devicePixelRatio`, with
    // that ratio set on the image. Null when no asset has that name.
    [[nodiscard]] QImage image(const QString& name, qreal devicePixelRatio = 1.0) const;
    [[nodiscard]] QPixmap pixmap(const QString& name, qreal devicePixelRatio = 1.0) const;
    // The asset at 1x, 2x and 3x, for widgets and menus that pick their own.
    [[nodiscard]] QIcon icon(const QString& name) const;
    // The program's own icon (window icons and the desktop entry's picture).
    [[nodiscard]] QIcon applicationIcon() const;

    // A template image drawn in `colour`: every pixel keeps its coverage and
    // takes the colour. Template images are black, or white when their control
    // is active or selected.
    [[nodiscard]] static QImage tinted(const QImage& templateImage, const QColor& colour);

    // Draws the asset into `target` (points), scaled without smoothing; with a
    // tint, as a template image in that colour.
    void drawImage(
        QPainter& painter, const QRectF& target, const QString& name, std::optional<QColor> tint = std::nullopt) const;
    // Repeats the asset at its natural size across `target`, from its top left.
    void drawTiled(QPainter& painter, const QRectF& target, const QString& name) const;

private:
    ThemePalette m_palette;
    QString m_chicagoFamily;
    QString m_genevaFamily;
    mutable QHash<QString, QImage> m_cache;
};
