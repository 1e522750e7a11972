#pragma once

#include "platform/Defaults.h"

#include <QSettings>

#include <mutex>

namespace tl {

// The user's settings file, under the organisation and application names of the running app.
class QSettingsDefaults final : public Defaults {
public:
    QSettingsDefaults();
    // For a settings file at a chosen location.
    explicit QSettingsDefaults(const QString& fileName);

    std::optional<Value> value(std::string_view key) const override;
    void set(std::string_view key, Value value) override;
    void remove(std::string_view key) override;
    void synchronize() override;

private:
    // One QSettings object is not safe across threads; every access holds this.
    mutable std::mutex mutex_;
    mutable QSettings settings_;
};

} // namespace tl
