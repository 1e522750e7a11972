#include "platform/DesktopBackground.h"

#include <gio/gio.h>

namespace tl {

namespace {

constexpr const char* kBackgroundSchema = "org.gnome.desktop.background";

template <class T> struct GObjectRelease {
    void operator()(T* object) const { g_object_unref(object); }
};
template <class T> using GObjectHandle = std::unique_ptr<T, GObjectRelease<T>>;
struct GErrorRelease {
    void operator()(GError* error) const { g_error_free(error); }
};
struct GFreeRelease {
    void operator()(gchar* text) const { g_free(text); }
};
struct SchemaRelease {
    void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
struct VariantRelease {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};

Result<std::string, DesktopSettingError> fileUri(const std::filesystem::path& file)
{
    GError* raw = nullptr;
    std::unique_ptr<gchar, GFreeRelease> uri(g_filename_to_uri(file.c_str(), nullptr, &raw));
    std::unique_ptr<GError, GErrorRelease> error(raw);
    if (!uri) return DesktopSettingError { "\"" + file.string() + "\" cannot be named as a file URI." };
    return std::string(uri.get());
}

class GioDesktopBackground final : public DesktopBackground {
public:
    Result<void, DesktopSettingError> setGnomePictures(
        const std::filesystem::path& picture, const std::filesystem::path& darkPicture) override
    {
        // Asked first: g_settings_new() aborts the process on a schema that is not installed.
        GSettingsSchemaSource* source = g_settings_schema_source_get_default();
        std::unique_ptr<GSettingsSchema, SchemaRelease> schema(
            source ? g_settings_schema_source_lookup(source, kBackgroundSchema, TRUE) : nullptr);
        if (!schema) return DesktopSettingError { "GNOME's background settings are not installed on this computer." };
        const auto uri = fileUri(picture);
        if (!uri) return uri.error();
        const auto darkUri = fileUri(darkPicture);
        if (!darkUri) return darkUri.error();

        GObjectHandle<GSettings> settings(g_settings_new(kBackgroundSchema));
        bool stored = g_settings_set_string(settings.get(), "picture-uri", uri.value().c_str());
        // GNOME before 42 has no dark key; it shows the light picture then.
        if (g_settings_schema_has_key(schema.get(), "picture-uri-dark"))
            stored = g_settings_set_string(settings.get(), "picture-uri-dark", darkUri.value().c_str()) && stored;
        stored = g_settings_set_string(settings.get(), "picture-options", "zoom") && stored;
        g_settings_sync();
        if (!stored)
            return DesktopSettingError { "The desktop's background settings are locked and could not be changed." };
        // A store that fails to commit (dconf without its service, a full disk) still accepts the
        // writes above; only reading back after the sync shows whether they took.
        GObjectHandle<GSettings> check(g_settings_new(kBackgroundSchema));
        const std::unique_ptr<gchar, GFreeRelease> kept(g_settings_get_string(check.get(), "picture-uri"));
        if (uri.value() != kept.get())
            return DesktopSettingError {
                "The desktop's settings store did not keep the new background: it still names \""
                + std::string(kept.get()) + "\"."
            };
        return {};
    }

    Result<void, DesktopSettingError> setPlasmaPackage(const std::filesystem::path& package) override
    {
        GError* raw = nullptr;
        GObjectHandle<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw));
        if (!bus) return failure(raw);
        const auto uri = fileUri(package);
        if (!uri) return uri.error();
        const std::string script = plasmaWallpaperScript(uri.value());
        std::unique_ptr<GVariant, VariantRelease> reply(g_dbus_connection_call_sync(bus.get(), "org.kde.plasmashell",
            "/PlasmaShell", "org.kde.PlasmaShell", "evaluateScript", g_variant_new("(s)", script.c_str()), nullptr,
            G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &raw));
        if (!reply) return failure(raw);
        return {};
    }

private:
    static DesktopSettingError failure(GError* raw)
    {
        std::unique_ptr<GError, GErrorRelease> error(raw);
        return { std::string("Plasma did not take the wallpaper: ") + (error ? error->message : "no answer") + "." };
    }
};

} // namespace

std::unique_ptr<DesktopBackground> makeGioDesktopBackground()
{
    return std::make_unique<GioDesktopBackground>();
}

} // namespace tl
