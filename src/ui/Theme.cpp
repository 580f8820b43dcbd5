#include "ui/Theme.h"

#include "platform/ApplicationId.h"
#include "platform/Log.h"
#include "ui/PixelSnap.h"

#include <QFile>
#include <QFontDatabase>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QString registerFont(const QString& resource)
{
    const int id = QFontDatabase::addApplicationFont(resource);
    const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) {
        Log::line(QStringLiteral("[Theme] Failed to load font ") + resource);
        return QFont().family();
    }
    return families.first();
}

int wholeScale(qreal devicePixelRatio)
{
    // 1.0 and 2.0 are exact; anything in between takes the next whole factor
    // and lets the painter bring it down.
    return std::max(1, int(std::ceil(devicePixelRatio - 0.001)));
}

qreal painterRatio(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    return device ? device->devicePixelRatioF() : 1.0;
}

} // namespace

Theme::Theme()
    : m_chicagoFamily(registerFont(QStringLiteral(":/fonts/misaki_gothic_2nd.ttf")))
    , m_genevaFamily(registerFont(QStringLiteral(":/fonts/DotGothic16-Regular.ttf")))
{
}

QString Theme::fontFamily(FontRole role) const
{
    return role == FontRole::chicago ? m_chicagoFamily : m_genevaFamily;
}

QFont Theme::font(FontRole role, qreal size) const
{
    QFont font(fontFamily(role));
    font.setPixelSize(std::max(1, int(std::lround(size))));
    // Pixel fonts blur when smoothed.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QString Theme::assetPath(const QString& name)
{
    return QStringLiteral(":/assets/") + name + QStringLiteral(".png");
}

bool Theme::hasImage(const QString& name) const
{
    return QFile::exists(assetPath(name));
}

QImage Theme::image(const QString& name, qreal devicePixelRatio) const
{
    const int scale = wholeScale(devicePixelRatio);
    const QString key = name + QLatin1Char('@') + QString::number(scale);
    if (const auto found = m_cache.constFind(key); found != m_cache.cend())
        return *found;

    QImage base(assetPath(name));
    if (base.isNull())
        return {};
    base = base.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage scaled = scale == 1 ? base : base.scaled(base.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    scaled.setDevicePixelRatio(scale);
    m_cache.insert(key, scaled);
    return scaled;
}

QPixmap Theme::pixmap(const QString& name, qreal devicePixelRatio) const
{
    return QPixmap::fromImage(image(name, devicePixelRatio));
}

QIcon Theme::icon(const QString& name) const
{
    QIcon icon;
    for (const int scale : { 1, 2, 3 }) {
        const QPixmap pixmap = this->pixmap(name, scale);
        if (pixmap.isNull())
            return {};
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon Theme::applicationIcon() const
{
    QIcon icon;
    for (const int size : { 16, 22, 24, 32, 48, 64, 128, 256 })
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(applicationId));
    return icon;
}

QImage Theme::tinted(const QImage& templateImage, const QColor& colour)
{
    QImage out = templateImage.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), out.deviceIndependentSize()), colour);
    return out;
}

void Theme::drawImage(QPainter& painter, const QRectF& target, const QString& name, std::optional<QColor> tint) const
{
    const qreal ratio = painterRatio(painter);
    QImage source = image(name, ratio * std::max(painter.transform().m11(), painter.transform().m22()));
    if (source.isNull())
        return;
    if (tint)
        source = tinted(source, *tint);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(PixelSnap::rect(target, ratio), source);
    painter.restore();
}

void Theme::drawTiled(QPainter& painter, const QRectF& target, const QString& name) const
{
    const QPixmap tile = pixmap(name, painterRatio(painter));
    if (tile.isNull())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawTiledPixmap(target, tile);
    painter.restore();
}
