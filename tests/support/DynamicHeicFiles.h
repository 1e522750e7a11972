#pragma once

// Dynamic HEICs as other makers write them: libheif's C API for the container, libplist for the
// record, the desktop property as an element of its own rather than an attribute.

#include "engine/WallpaperMetadata.h"
#include "platform/HeifHandles.h"
#include "support/TestImageFiles.h"

#include <opencv2/core.hpp>
#include <plist/plist.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tl::test {

// Owns a libplist node tree.
struct PlistTree {
    plist_t node;
    ~PlistTree() { plist_free(node); }
};

inline std::string plistBase64(plist_t node)
{
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    const std::vector<std::uint8_t> binary(bytes, bytes + length);
    std::free(bytes);
    return base64(binary);
}

// {"ti": [{"i": image, "t": day fraction}, ...]}
inline std::string timeOfDayRecord(const std::vector<std::pair<int, double>>& entries)
{
    const PlistTree root { plist_new_dict() };
    plist_t list = plist_new_array();
    for (const auto& [image, fraction] : entries) {
        plist_t entry = plist_new_dict();
        plist_dict_set_item(entry, "i", plist_new_uint(static_cast<std::uint64_t>(image)));
        plist_dict_set_item(entry, "t", plist_new_real(fraction));
        plist_array_append_item(list, entry);
    }
    plist_dict_set_item(root.node, "ti", list);
    return plistBase64(root.node);
}

// An XMP packet holding the desktop property `name` with `value`, written as an element.
inline std::string desktopElementXmp(const std::string& name, const std::string& value)
{
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
           "<rdf:Description rdf:about=\"\" xmlns:apple_desktop=\"http://ns.apple.com/namespace/1.0/\">"
           "<apple_desktop:"
        + name + ">" + value + "</apple_desktop:" + name
        + ">"
          "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

// Encodes each BGR picture as a top-level image, in order, the first primary, with `xmp` on it.
inline bool writeDynamicHeic(
    const std::vector<cv::Mat>& pictures, const std::filesystem::path& path, const std::optional<std::string>& xmp)
{
    const heif::Context context(heif_context_alloc());
    const heif::Encoder encoder = hevcEncoder(context);
    if (!encoder) return false;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const heif::Image image = heifImageOf(pictures[i]);
        heif_image_handle* rawHandle = nullptr;
        if (heif_context_encode_image(context.get(), image.get(), encoder.get(), nullptr, &rawHandle).code
            != heif_error_Ok)
            return false;
        const heif::ImageHandle handle(rawHandle);
        if (i == 0 && xmp
            && heif_context_add_XMP_metadata(context.get(), rawHandle, xmp->data(), static_cast<int>(xmp->size())).code
                != heif_error_Ok)
            return false;
    }
    return heif_context_write_to_file(context.get(), path.c_str()).code == heif_error_Ok;
}

} // namespace tl::test
