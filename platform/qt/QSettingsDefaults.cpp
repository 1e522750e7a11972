#include "platform/qt/QSettingsDefaults.h"

#include "platform/Overloaded.h"
#include "platform/qt/QtText.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace tl {
QSettingsDefaults::QSettingsDefaults() = default;

QSettingsDefaults::QSettingsDefaults(const QString& fileName)
    : settings_(fileName, QSettings::IniFormat)
{
}

std::optional<Defaults::Value> QSettingsDefaults::value(std::string_view key) const
{
    std::lock_guard lock(mutex_);
    const QVariant stored = settings_.value(toQString(key));
    if (!stored.isValid()) return std::nullopt;
    switch (stored.typeId()) {
    case QMetaType::Bool:
        return Value { stored.toBool() };
    case QMetaType::Int:
    case QMetaType::LongLong:
        return Value { static_cast<std::int64_t>(stored.toLongLong()) };
    case QMetaType::Double:
        return Value { stored.toDouble() };
    case QMetaType::QByteArray: {
        const QByteArray bytes = stored.toByteArray();
        return Value { DefaultsData { std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())) } };
    }
    default:
        return Value { stored.toString().toStdString() };
    }
}

void QSettingsDefaults::set(std::string_view key, Value value)
{
    const QVariant stored
        = std::visit(Overloaded {
                         [](bool flag) { return QVariant(flag); },
                         [](std::int64_t number) { return QVariant(static_cast<qlonglong>(number)); },
                         [](double number) { return QVariant(number); },
                         [](const std::string& text) { return QVariant(QString::fromStdString(text)); },
                         [](const DefaultsData& data) {
                             return QVariant(QByteArray(data.bytes.data(), static_cast<qsizetype>(data.bytes.size())));
                         },
                     },
            value);
    std::lock_guard lock(mutex_);
    settings_.setValue(toQString(key), stored);
}

void QSettingsDefaults::remove(std::string_view key)
{
    std::lock_guard lock(mutex_);
    settings_.remove(toQString(key));
}

void QSettingsDefaults::synchronize()
{
    std::lock_guard lock(mutex_);
    settings_.sync();
}

} // namespace tl
