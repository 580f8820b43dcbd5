#include "gallery/HeifCanvasSize.h"

#include <QByteArrayView>
#include <QList>

#include <algorithm>
#include <climits>

namespace {

// Big-endian fields of 0 to 8 bytes; a read past the end fails this and every later read.
class Reader {
public:
    explicit Reader(QByteArrayView data)
        : m_data(data)
    {
    }

    [[nodiscard]] bool ok() const { return m_ok; }
    [[nodiscard]] qsizetype position() const { return m_position; }
    [[nodiscard]] qsizetype remaining() const { return m_ok ? m_data.size() - m_position : 0; }
    [[nodiscard]] QByteArrayView rest() const { return m_ok ? m_data.sliced(m_position) : QByteArrayView(); }

    quint64 read(int bytes)
    {
        if (!m_ok || bytes < 0 || bytes > 8 || remaining() < bytes) {
            m_ok = false;
            return 0;
        }
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | quint8(m_data[m_position++]);
        return value;
    }

    void skip(qsizetype bytes)
    {
        if (!m_ok || bytes < 0 || remaining() < bytes)
            m_ok = false;
        else
            m_position += bytes;
    }

    // A full box's version; its flags are skipped.
    int version()
    {
        const int value = int(read(1));
        (void)read(3);
        return value;
    }

private:
    QByteArrayView m_data;
    qsizetype m_position = 0;
    bool m_ok = true;
};

struct Box {
    QByteArrayView type;
    QByteArrayView body;
};

// The boxes laid end to end in `data`, up to the first that does not fit.
QList<Box> boxesIn(QByteArrayView data)
{
    QList<Box> boxes;
    Reader reader(data);
    while (reader.remaining() >= 8) {
        const qsizetype start = reader.position();
        quint64 size = reader.read(4);
        const QByteArrayView type = data.sliced(start + 4, 4);
        reader.skip(4);
        if (size == 1)
            size = reader.read(8);
        else if (size == 0)
            size = quint64(data.size() - start);
        const qsizetype header = reader.position() - start;
        if (!reader.ok() || size < quint64(header) || size > quint64(data.size() - start))
            break;
        boxes.append({ type, data.sliced(reader.position(), qsizetype(size) - header) });
        reader.skip(qsizetype(size) - header);
    }
    return boxes;
}

QByteArrayView child(const QList<Box>& boxes, const char* type)
{
    for (const Box& box : boxes)
        if (box.type == QByteArrayView(type, 4))
            return box.body;
    return {};
}

std::optional<quint64> primaryItem(QByteArrayView pitm)
{
    Reader reader(pitm);
    const quint64 id = reader.read(reader.version() == 0 ? 2 : 4);
    return reader.ok() ? std::optional(id) : std::nullopt;
}

QByteArrayView itemType(QByteArrayView iinf, quint64 item)
{
    Reader reader(iinf);
    (void)reader.read(reader.version() == 0 ? 2 : 4); // entry count: the boxes say it
    for (const Box& entry : boxesIn(reader.rest())) {
        if (entry.type != QByteArrayView("infe", 4))
            continue;
        Reader infe(entry.body);
        const int version = infe.version();
        if (version < 2)
            continue; // no item type in these versions
        const quint64 id = infe.read(version == 2 ? 2 : 4);
        (void)infe.read(2); // protection index
        if (infe.remaining() >= 4 && id == item)
            return infe.rest().first(4);
    }
    return {};
}

// The first extent of `item` (a derived image's description is a few bytes
// long), from the file (construction method 0) or the 'idat' box (1).
std::optional<QByteArrayView> itemData(QByteArrayView iloc, QByteArrayView idat, QByteArrayView file, quint64 item)
{
    Reader reader(iloc);
    const int version = reader.version();
    const auto sizes = reader.read(1);
    const auto moreSizes = reader.read(1);
    const int offsetSize = int(sizes >> 4), lengthSize = int(sizes & 15), baseOffsetSize = int(moreSizes >> 4);
    const int indexSize = version == 1 || version == 2 ? int(moreSizes & 15) : 0;
    const quint64 count = reader.read(version < 2 ? 2 : 4);
    for (quint64 i = 0; i < count && reader.ok(); ++i) {
        const quint64 id = reader.read(version < 2 ? 2 : 4);
        const quint64 method = version == 1 || version == 2 ? reader.read(2) & 15 : 0;
        (void)reader.read(2); // data reference index
        const quint64 base = reader.read(baseOffsetSize);
        const quint64 extents = reader.read(2);
        quint64 offset = 0, length = 0;
        for (quint64 e = 0; e < extents && reader.ok(); ++e) {
            (void)reader.read(indexSize);
            const quint64 extentOffset = reader.read(offsetSize), extentLength = reader.read(lengthSize);
            if (e == 0) {
                offset = extentOffset;
                length = extentLength;
            }
        }
        if (!reader.ok() || id != item)
            continue;
        const QByteArrayView source = method == 0 ? file : method == 1 ? idat : QByteArrayView();
        const quint64 size = quint64(source.size());
        if (extents == 0 || method > 1 || base > size || offset > size - base)
            return std::nullopt;
        offset += base;
        const quint64 available = size - offset;
        return source.sliced(qsizetype(offset), qsizetype(length == 0 ? available : std::min(length, available)));
    }
    return std::nullopt;
}

int side(quint64 value)
{
    return int(std::min<quint64>(value, INT_MAX));
}

} // namespace

namespace HeifCanvasSize {

std::optional<QSize> ofPrimaryImage(const QByteArray& file)
{
    const QByteArrayView meta = child(boxesIn(file), "meta");
    if (meta.size() < 4)
        return std::nullopt;
    const QList<Box> boxes = boxesIn(meta.sliced(4));
    const std::optional<quint64> primary = primaryItem(child(boxes, "pitm"));
    if (!primary)
        return std::nullopt;
    const QByteArrayView type = itemType(child(boxes, "iinf"), *primary);
    const bool grid = type == QByteArrayView("grid", 4);
    if (!grid && type != QByteArrayView("iovl", 4))
        return std::nullopt;

    const auto description = itemData(child(boxes, "iloc"), child(boxes, "idat"), file, *primary);
    if (!description)
        return QSize();
    Reader reader(*description);
    (void)reader.read(1); // version
    const bool wideFields = (reader.read(1) & 1) != 0;
    (void)reader.read(grid ? 2 : 8); // rows and columns, or the canvas's fill colour
    const quint64 width = reader.read(wideFields ? 4 : 2);
    const quint64 height = reader.read(wideFields ? 4 : 2);
    return reader.ok() ? QSize(side(width), side(height)) : QSize();
}

} // namespace HeifCanvasSize
