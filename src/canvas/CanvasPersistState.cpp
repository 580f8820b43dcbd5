#include "canvas/CanvasPersistState.h"

#include "platform/Uuids.h"

#include <nlohmann/json.hpp>

#include <limits>

using Json = nlohmann::ordered_json;

namespace {
std::string utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The readers below throw nothing: they answer nothing for a missing key or a
// value of the wrong type.
const Json* member(const Json& object, const char* key)
{
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<double> readNumber(const Json& object, const char* key)
{
    const Json* value = member(object, key);
    if (!value || !value->is_number())
        return std::nullopt;
    return value->get<double>();
}

std::optional<qint64> readInteger(const Json& object, const char* key)
{
    const Json* value = member(object, key);
    if (!value)
        return std::nullopt;
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number > std::uint64_t(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(number);
    }
    if (value->is_number_integer())
        return value->get<std::int64_t>();
    return std::nullopt;
}

std::optional<bool> readBool(const Json& object, const char* key)
{
    const Json* value = member(object, key);
    if (!value || !value->is_boolean())
        return std::nullopt;
    return value->get<bool>();
}

std::optional<QString> readString(const Json& object, const char* key)
{
    const Json* value = member(object, key);
    if (!value || !value->is_string())
        return std::nullopt;
    return fromUtf8(value->get_ref<const std::string&>());
}

std::optional<QUuid> readUuid(const Json& object, const char* key)
{
    const auto text = readString(object, key);
    return text ? Uuids::parseStrict(*text) : std::nullopt;
}

std::optional<LayerEntry> readEntry(const Json& object)
{
    if (!object.is_object())
        return std::nullopt;
    const auto id = readUuid(object, "id");
    const auto clipItemId = readUuid(object, "clipItemId");
    const auto name = readString(object, "name");
    const auto positionX = readNumber(object, "positionX");
    const auto positionY = readNumber(object, "positionY");
    const auto width = readNumber(object, "width");
    const auto height = readNumber(object, "height");
    const auto rotation = readNumber(object, "rotation");
    const auto flipHorizontal = readBool(object, "flipHorizontal");
    const auto flipVertical = readBool(object, "flipVertical");
    const auto zIndex = readInteger(object, "zIndex");
    if (!id || !clipItemId || !name || !positionX || !positionY || !width || !height || !rotation || !flipHorizontal
        || !flipVertical || !zIndex)
        return std::nullopt;
    return LayerEntry { *id, *clipItemId, *name, QPointF(*positionX, *positionY), *width, *height, *rotation,
        *flipHorizontal, *flipVertical, *zIndex };
}
} // namespace

std::variant<QByteArray, QString> CanvasPersistState::encoded() const
{
    try {
        Json entries = Json::array();
        for (const LayerEntry& entry : layers) {
            Json object = Json::object();
            object["id"] = utf8(Uuids::canonicalText(entry.id));
            object["clipItemId"] = utf8(Uuids::canonicalText(entry.clipItemId));
            object["name"] = utf8(entry.name);
            object["positionX"] = entry.position.x();
            object["positionY"] = entry.position.y();
            object["width"] = entry.width;
            object["height"] = entry.height;
            object["rotation"] = entry.rotation;
            object["flipHorizontal"] = entry.flipHorizontal;
            object["flipVertical"] = entry.flipVertical;
            object["zIndex"] = std::int64_t(entry.zIndex);
            entries.push_back(std::move(object));
        }
        Json root = Json::object();
        root["nextLayerNumber"] = std::int64_t(nextLayerNumber);
        root["layers"] = std::move(entries);
        const std::string text = root.dump(2);
        return QByteArray(text.data(), qsizetype(text.size()));
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
}

std::optional<CanvasPersistState> CanvasPersistState::decode(const QByteArray& json)
{
    const Json root = Json::parse(json.constBegin(), json.constEnd(), nullptr, false);
    if (root.is_discarded() || !root.is_object())
        return std::nullopt;
    const auto nextLayerNumber = readInteger(root, "nextLayerNumber");
    const Json* layers = member(root, "layers");
    if (!nextLayerNumber || !layers || !layers->is_array())
        return std::nullopt;

    CanvasPersistState state;
    state.nextLayerNumber = *nextLayerNumber;
    state.layers.reserve(qsizetype(layers->size()));
    for (const Json& object : *layers) {
        auto entry = readEntry(object);
        if (!entry)
            return std::nullopt;
        state.layers.append(std::move(*entry));
    }
    return state;
}
