#include "engine/desktop/DynamicHeicMetadata.h"

#include "engine/BinaryPropertyListReader.h"
#include "engine/desktop/DesktopXmp.h"

#include <cmath>
#include <string>

namespace tl::desktop {
namespace {

// The largest base64 text taken from a property; every real record is a few kilobytes.
constexpr std::size_t largestPropertyText = std::size_t { 1 } << 20;

const PropertyListValue* entry(const PropertyListValue& dictionary, std::string_view key)
{
    const auto* entries = std::get_if<PropertyListDictionary>(&dictionary.value);
    if (!entries) return nullptr;
    for (const auto& [name, value] : *entries)
        if (name == key) return &value;
    return nullptr;
}

std::optional<double> number(const PropertyListValue* value)
{
    if (!value) return std::nullopt;
    if (const auto* integer = std::get_if<std::int64_t>(&value->value)) return static_cast<double>(*integer);
    if (const auto* real = std::get_if<double>(&value->value); real && std::isfinite(*real)) return *real;
    return std::nullopt;
}

std::optional<std::size_t> imageIndex(const PropertyListValue* value, std::size_t imageCount)
{
    const auto* integer = value ? std::get_if<std::int64_t>(&value->value) : nullptr;
    if (!integer || *integer < 0 || static_cast<std::uint64_t>(*integer) >= imageCount) return std::nullopt;
    return static_cast<std::size_t>(*integer);
}

const PropertyListArray* nonEmptyArray(const PropertyListValue* value)
{
    const auto* array = value ? std::get_if<PropertyListArray>(&value->value) : nullptr;
    return array && !array->empty() ? array : nullptr;
}

std::optional<DynamicHeicMetadata> solar(const PropertyListValue& record, std::size_t imageCount)
{
    const auto* entries = nonEmptyArray(entry(record, "si"));
    if (!entries) return std::nullopt;
    DynamicHeicMetadata metadata { SolarSchedule {}, std::vector<std::optional<bool>>(imageCount) };
    auto& schedule = std::get<SolarSchedule>(metadata.layout);
    for (const auto& item : *entries) {
        const auto index = imageIndex(entry(item, "i"), imageCount);
        const auto altitude = number(entry(item, "a"));
        const auto azimuth = number(entry(item, "z"));
        if (!index || !altitude || !azimuth || std::abs(*altitude) > 90) return std::nullopt;
        // Azimuths outside a turn are folded into it; those inside are kept exactly.
        double folded = *azimuth;
        if (folded < 0 || folded > 360) folded = std::fmod(std::fmod(folded, 360) + 360, 360);
        schedule.frames.push_back({ *index, { *altitude, folded } });
        if (const auto light = number(entry(item, "o")); light && !metadata.solarLight[*index])
            metadata.solarLight[*index] = *light != 0;
    }
    return metadata;
}

std::optional<DynamicHeicMetadata> timeOfDay(const PropertyListValue& record, std::size_t imageCount)
{
    const auto* entries = nonEmptyArray(entry(record, "ti"));
    if (!entries) return std::nullopt;
    TimeOfDaySchedule schedule;
    for (const auto& item : *entries) {
        const auto index = imageIndex(entry(item, "i"), imageCount);
        const auto fraction = number(entry(item, "t"));
        if (!index || !fraction || *fraction < 0 || *fraction > 1) return std::nullopt;
        schedule.frames.push_back({ *index, *fraction });
    }
    return DynamicHeicMetadata { std::move(schedule), std::vector<std::optional<bool>>(imageCount) };
}

std::optional<DynamicHeicMetadata> appearance(const PropertyListValue& record, std::size_t imageCount)
{
    const auto light = imageIndex(entry(record, "l"), imageCount);
    const auto dark = imageIndex(entry(record, "d"), imageCount);
    if (!light || !dark) return std::nullopt;
    return DynamicHeicMetadata { AppearancePair { *light, *dark }, std::vector<std::optional<bool>>(imageCount) };
}

using Interpretation = std::optional<DynamicHeicMetadata> (*)(const PropertyListValue&, std::size_t);

} // namespace

std::optional<DynamicHeicMetadata> readDynamicHeicMetadata(
    const std::vector<std::string_view>& packets, std::size_t imageCount)
{
    static const std::pair<std::string_view, Interpretation> properties[]
        = { { "solar", solar }, { "h24", timeOfDay }, { "apr", appearance } };
    for (const auto& [name, interpret] : properties) {
        for (const std::string_view packet : packets) {
            const auto text = desktopXmpProperty(packet, name);
            if (!text) continue;
            if (text->size() > largestPropertyText) return std::nullopt;
            const auto bytes = decodeBase64(*text);
            const auto record = bytes ? readBinaryPropertyList(*bytes) : std::nullopt;
            return record ? interpret(*record, imageCount) : std::nullopt;
        }
    }
    return DynamicHeicMetadata { std::monostate {}, std::vector<std::optional<bool>>(imageCount) };
}

} // namespace tl::desktop
