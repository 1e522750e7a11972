#pragma once

#include <libheif/heif.h>

#include <memory>

namespace tl::heif {

// libheif's C handles, each released exactly once by its owner.
struct Release {
    void operator()(heif_context* context) const { heif_context_free(context); }
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
    void operator()(heif_image* image) const { heif_image_release(image); }
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
    void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
    void operator()(heif_color_profile_nclx* profile) const { heif_nclx_color_profile_free(profile); }
};

using Context = std::unique_ptr<heif_context, Release>;
using ImageHandle = std::unique_ptr<heif_image_handle, Release>;
using Image = std::unique_ptr<heif_image, Release>;
using Encoder = std::unique_ptr<heif_encoder, Release>;
using EncodingOptions = std::unique_ptr<heif_encoding_options, Release>;
using DecodingOptions = std::unique_ptr<heif_decoding_options, Release>;
using NclxProfile = std::unique_ptr<heif_color_profile_nclx, Release>;

} // namespace tl::heif
