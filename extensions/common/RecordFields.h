#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace tl::extension {

// Decoding rules both project-record readers share. An absent or null key gives no value; a
// present key of another JSON type makes the whole record unreadable, so each reader below
// returns false for it and the caller gives up on the record.

// The JSON object stored in the file, or none when it cannot be read, is unreasonably large
// or deeply nested for a record, is not JSON or is not an object.
std::optional<QJsonObject> readRecordObject(const QString& path);

bool readOptionalString(const QJsonObject& object, const QString& key, std::optional<QString>& value);
bool readOptionalNumber(const QJsonObject& object, const QString& key, std::optional<double>& value);
// An absent flag is false.
bool readFlag(const QJsonObject& object, const QString& key, bool& value);
// An absent array is empty.
bool readArray(const QJsonObject& object, const QString& key, QJsonArray& value);
// Absent and null are as unreadable as the wrong type.
bool readRequiredString(const QJsonObject& object, const QString& key, QString& value);

// The keys every reader of "project.json" reads alike; each reader decodes the image entries
// into its own record.
struct ProjectRecord {
    std::optional<QString> version;
    std::optional<QString> mode;
    QJsonArray images;
};

// None when the package's "project.json" is missing, unreadable, has a mistyped key or lists
// more images than any real timeline.
std::optional<ProjectRecord> readProjectRecord(const QString& packagePath);

// Every entry decoded by `readEntry` (which gives none for an unreadable entry), or none when
// any entry is unreadable.
template <class Info, class ReadEntry>
std::optional<std::vector<Info>> readEntries(const QJsonArray& entries, ReadEntry readEntry)
{
    std::vector<Info> infos;
    infos.reserve(entries.size());
    for (const QJsonValue& entry : entries) {
        if (!entry.isObject()) return std::nullopt;
        std::optional<Info> info = readEntry(entry.toObject());
        if (!info) return std::nullopt;
        infos.push_back(std::move(*info));
    }
    return infos;
}

// A reader's own record (an aggregate of version, mode and images, in that order) read from the
// package, its entries decoded by `readEntry`; none when anything in it is unreadable.
template <class Project, class Info, class ReadEntry>
std::optional<Project> readProjectAs(const QString& packagePath, ReadEntry readEntry)
{
    const auto record = readProjectRecord(packagePath);
    if (!record) return std::nullopt;
    auto images = readEntries<Info>(record->images, readEntry);
    if (!images) return std::nullopt;
    return Project { record->version, record->mode, std::move(*images) };
}

} // namespace tl::extension
