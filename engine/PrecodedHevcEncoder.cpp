#include "engine/PrecodedHevcEncoder.h"

#include "engine/HeifYuvImage.h"

#include <libheif/heif_plugin.h>

#include <mutex>

namespace tl {
namespace {

// libheif calls a plugin on the thread that asked it to encode, so the units travel there in a
// thread-local slot set just before the call.
thread_local const HevcCodedImage* pending = nullptr;

struct PrecodedEncoder {
    const HevcCodedImage* image = nullptr;
    std::size_t next = 0;
};

constexpr heif_error success { heif_error_Ok, heif_suberror_Unspecified, "" };

const char* pluginName()
{
    return "Tidelumine pre-coded HEVC";
}

void nothing()
{
}

heif_error newEncoder(void** encoder)
{
    *encoder = new PrecodedEncoder;
    return success;
}

void freeEncoder(void* encoder)
{
    delete static_cast<PrecodedEncoder*>(encoder);
}

heif_error acceptInteger(void*, int)
{
    return success;
}

heif_error reportInteger(void*, int* value)
{
    *value = 0;
    return success;
}

const heif_encoder_parameter** parameters(void*)
{
    static const heif_encoder_parameter* none[] = { nullptr };
    return none;
}

heif_error acceptNamedInteger(void*, const char*, int)
{
    return success;
}

heif_error reportNamedInteger(void*, const char*, int* value)
{
    *value = 0;
    return success;
}

heif_error acceptString(void*, const char*, const char*)
{
    return success;
}

heif_error reportString(void*, const char*, char* value, int size)
{
    if (size > 0) value[0] = '\0';
    return success;
}

void yuv420(heif_colorspace* colorspace, heif_chroma* chroma)
{
    *colorspace = heif_colorspace_YCbCr;
    *chroma = heif_chroma_420;
}

void yuv420For(void*, heif_colorspace* colorspace, heif_chroma* chroma)
{
    yuv420(colorspace, chroma);
}

heif_error encodeImage(void* encoder, const heif_image*, heif_image_input_class)
{
    auto* state = static_cast<PrecodedEncoder*>(encoder);
    state->image = pending;
    state->next = 0;
    if (!state->image) return { heif_error_Encoder_plugin_error, heif_suberror_Unspecified, "no pre-coded image" };
    return success;
}

heif_error compressedData(void* encoder, std::uint8_t** data, int* size, heif_encoded_data_type* type)
{
    auto* state = static_cast<PrecodedEncoder*>(encoder);
    if (!state->image || state->next >= state->image->units.size()) {
        *data = nullptr;
        *size = 0;
        return success;
    }
    auto& unit = state->image->units[state->next++];
    *data = reinterpret_cast<std::uint8_t*>(const_cast<char*>(unit.data()));
    *size = static_cast<int>(unit.size());
    if (type) *type = heif_encoded_data_type_HEVC_image; // libheif reads each unit's type from its header
    return success;
}

// libheif asks before coding how large the coded image will be, and cuts a larger one back.
void codedSize(void*, std::uint32_t width, std::uint32_t height, std::uint32_t* codedWidth, std::uint32_t* codedHeight)
{
    *codedWidth = pending ? static_cast<std::uint32_t>(pending->codedWidth) : width;
    *codedHeight = pending ? static_cast<std::uint32_t>(pending->codedHeight) : height;
}

const heif_encoder_plugin plugin {
    .plugin_api_version = 3,
    .compression_format = heif_compression_HEVC,
    .id_name = "tidelumine-precoded",
    .priority = 0, // never chosen unless asked for by name
    .supports_lossy_compression = 1,
    .supports_lossless_compression = 0,
    .get_plugin_name = pluginName,
    .init_plugin = nothing,
    .cleanup_plugin = nothing,
    .new_encoder = newEncoder,
    .free_encoder = freeEncoder,
    .set_parameter_quality = acceptInteger,
    .get_parameter_quality = reportInteger,
    .set_parameter_lossless = acceptInteger,
    .get_parameter_lossless = reportInteger,
    .set_parameter_logging_level = acceptInteger,
    .get_parameter_logging_level = reportInteger,
    .list_parameters = parameters,
    .set_parameter_integer = acceptNamedInteger,
    .get_parameter_integer = reportNamedInteger,
    .set_parameter_boolean = acceptNamedInteger,
    .get_parameter_boolean = reportNamedInteger,
    .set_parameter_string = acceptString,
    .get_parameter_string = reportString,
    .query_input_colorspace = yuv420,
    .encode_image = encodeImage,
    .get_compressed_data = compressedData,
    .query_input_colorspace2 = yuv420For,
    .query_encoded_size = codedSize,
};

heif::Encoder precodedEncoder(heif_context* context)
{
    static std::once_flag registered;
    std::call_once(registered, [] { heif_register_encoder_plugin(&plugin); });
    const heif_encoder_descriptor* descriptor = nullptr;
    if (heif_context_get_encoder_descriptors(context, heif_compression_HEVC, plugin.id_name, &descriptor, 1) != 1)
        return nullptr;
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder(context, descriptor, &encoder).code != heif_error_Ok) return nullptr;
    return heif::Encoder(encoder);
}

} // namespace

heif::ImageHandle addPrecodedImage(
    heif_context* context, const HevcCodedImage& image, const heif_encoding_options* options)
{
    const auto encoder = precodedEncoder(context);
    if (!encoder) return nullptr;
    // libheif takes the image's size from this stand-in; its planes are never read.
    const heif::Image standIn
        = makeYuv420Image(image.width, image.height, options ? options->output_nclx_profile : nullptr);
    if (!standIn) return nullptr;
    pending = &image;
    heif_image_handle* handle = nullptr;
    const auto encoded = heif_context_encode_image(context, standIn.get(), encoder.get(), options, &handle);
    pending = nullptr;
    if (encoded.code != heif_error_Ok) return nullptr;
    return heif::ImageHandle(handle);
}

} // namespace tl
