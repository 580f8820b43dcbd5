#include "gallery/GalleryIndex.h"

#include "platform/Uuids.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace GalleryIndex {

namespace {
// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 referenceEpochMSecs = 978307200000;
// About ±300,000 years: beyond this a number cannot be a date QDateTime holds.
constexpr double maximumReferenceSeconds = 1e13;

const QString legacyCollagesSection = QStringLiteral("moodboards");

using Json = nlohmann::ordered_json;

std::optional<IndexEntry> entryFrom(const Json& object)
{
    if (!object.is_object())
        return std::nullopt;
    const auto id = object.find("id");
    const auto createdAt = object.find("createdAt");
    const auto section = object.find("section");
    if (id == object.end() || createdAt == object.end() || section == object.end())
        return std::nullopt;
    if (!id->is_string() || !createdAt->is_number() || !section->is_string())
        return std::nullopt;

    const auto uuid = Uuids::parseStrict(QString::fromStdString(id->get<std::string>()));
    const auto date = dateFromReferenceSeconds(createdAt->get<double>());
    if (!uuid || !date)
        return std::nullopt;
    return IndexEntry { *uuid, *date, QString::fromStdString(section->get<std::string>()) };
}
} // namespace

double referenceSeconds(const QDateTime& date)
{
    return double(date.toMSecsSinceEpoch() - referenceEpochMSecs) / 1000.0;
}

std::optional<QDateTime> dateFromReferenceSeconds(double seconds)
{
    if (!std::isfinite(seconds) || std::abs(seconds) > maximumReferenceSeconds)
        return std::nullopt;
    const qint64 msecs = std::llround(seconds * 1000.0) + referenceEpochMSecs;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

QList<IndexEntry> entriesFor(const QList<ClipItem>& cutouts, const QList<CollageItem>& collages)
{
    QList<IndexEntry> entries;
    entries.reserve(cutouts.size() + collages.size());
    const QString cutoutsSection = sectionName(GallerySection::cutouts);
    const QString collagesSection = sectionName(GallerySection::collages);
    for (const ClipItem& item : cutouts)
        entries.append({ item.id, item.createdAt, cutoutsSection });
    for (const CollageItem& item : collages)
        entries.append({ item.id, item.createdAt, collagesSection });
    return entries;
}

QByteArray encode(const QList<IndexEntry>& entries)
{
    Json array = Json::array();
    auto& objects = array.get_ref<Json::array_t&>();
    objects.reserve(size_t(entries.size()));
    for (const IndexEntry& entry : entries) {
        // Built in place with room for its three keys: at 10,000 items the
        // allocations are most of the cost of an index write.
        Json& object = objects.emplace_back(Json::value_t::object);
        auto& fields = object.get_ref<Json::object_t&>();
        fields.reserve(3);
        fields.emplace_back("id", Uuids::canonicalText(entry.id).toStdString());
        fields.emplace_back("createdAt", referenceSeconds(entry.createdAt));
        fields.emplace_back("section", entry.section.toStdString());
    }
    const std::string text = array.dump(2);
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::optional<QList<IndexEntry>> decode(const QByteArray& json)
{
    const Json document = Json::parse(json.begin(), json.end(), nullptr, /*allow_exceptions=*/false);
    if (!document.is_array())
        return std::nullopt;
    QList<IndexEntry> entries;
    entries.reserve(qsizetype(document.size()));
    for (const Json& object : document) {
        auto entry = entryFrom(object);
        if (!entry)
            return std::nullopt;
        entries.append(std::move(*entry));
    }
    return entries;
}

GalleryLists itemsFrom(const QList<IndexEntry>& entries)
{
    GalleryLists lists;
    const QString cutoutsSection = sectionName(GallerySection::cutouts);
    const QString collagesSection = sectionName(GallerySection::collages);
    for (const IndexEntry& entry : entries) {
        if (entry.section == cutoutsSection)
            lists.cutouts.append(ClipItem { entry.id, std::nullopt, entry.createdAt });
        else if (entry.section == collagesSection || entry.section == legacyCollagesSection)
            lists.collages.append(CollageItem { entry.id, std::nullopt, entry.createdAt });
    }
    return lists;
}

} // namespace GalleryIndex
