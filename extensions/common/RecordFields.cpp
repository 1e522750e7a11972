#include "extensions/common/RecordFields.h"

#include "extensions/common/PackageLayout.h"

#include <QFile>
#include <QJsonDocument>

#include <algorithm>

namespace tl::extension {
namespace {

// Far above what thousands of frames need, far below what could hurt to read; the app refuses the
// same records: larger ones, longer timelines and deeper nesting.
constexpr qint64 maximumRecordBytes = 16 * 1024 * 1024;
constexpr qsizetype largestFrameCount = 10000;
constexpr int largestNesting = 64;

// Whether arrays and objects nest in `value` more than `limit` levels, itself included.
bool nestsDeeperThan(const QJsonValue& value, int limit)
{
    if (!value.isArray() && !value.isObject()) return false;
    if (limit <= 0) return true;
    const auto tooDeep = [limit](const QJsonValue& item) { return nestsDeeperThan(item, limit - 1); };
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::any_of(array.begin(), array.end(), tooDeep);
    }
    const QJsonObject object = value.toObject();
    return std::any_of(object.begin(), object.end(), tooDeep);
}

// Absent and null give no value; a value of the right type is converted; any other type fails.
template <class T, class Convert>
bool readOptional(const QJsonObject& object, const QString& key, bool (QJsonValue::*hasType)() const,
    std::optional<T>& value, Convert convert)
{
    const QJsonValue field = object.value(key);
    if (field.isUndefined() || field.isNull()) {
        value.reset();
        return true;
    }
    if (!(field.*hasType)()) return false;
    value = convert(field);
    return true;
}

} // namespace

std::optional<QJsonObject> readRecordObject(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray data = file.read(maximumRecordBytes + 1);
    if (data.size() > maximumRecordBytes) return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    if (nestsDeeperThan(document.object(), largestNesting)) return std::nullopt;
    return document.object();
}

bool readOptionalString(const QJsonObject& object, const QString& key, std::optional<QString>& value)
{
    return readOptional(
        object, key, &QJsonValue::isString, value, [](const QJsonValue& field) { return field.toString(); });
}

bool readOptionalNumber(const QJsonObject& object, const QString& key, std::optional<double>& value)
{
    return readOptional(
        object, key, &QJsonValue::isDouble, value, [](const QJsonValue& field) { return field.toDouble(); });
}

bool readFlag(const QJsonObject& object, const QString& key, bool& value)
{
    std::optional<bool> flag;
    if (!readOptional(object, key, &QJsonValue::isBool, flag, [](const QJsonValue& field) { return field.toBool(); }))
        return false;
    value = flag.value_or(false);
    return true;
}

bool readArray(const QJsonObject& object, const QString& key, QJsonArray& value)
{
    std::optional<QJsonArray> array;
    if (!readOptional(
            object, key, &QJsonValue::isArray, array, [](const QJsonValue& field) { return field.toArray(); }))
        return false;
    value = array.value_or(QJsonArray {});
    return true;
}

bool readRequiredString(const QJsonObject& object, const QString& key, QString& value)
{
    const QJsonValue field = object.value(key);
    if (!field.isString()) return false;
    value = field.toString();
    return true;
}

std::optional<ProjectRecord> readProjectRecord(const QString& packagePath)
{
    const auto recordPath = projectRecordPath(packagePath);
    if (!recordPath) return std::nullopt;
    const auto object = readRecordObject(*recordPath);
    if (!object) return std::nullopt;
    ProjectRecord record;
    if (!readOptionalString(*object, QStringLiteral("version"), record.version)
        || !readOptionalString(*object, QStringLiteral("mode"), record.mode)
        || !readArray(*object, QStringLiteral("images"), record.images) || record.images.size() > largestFrameCount)
        return std::nullopt;
    return record;
}

} // namespace tl::extension
