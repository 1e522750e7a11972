#include "engine/WallpaperMetadata.h"

namespace tl {

PropertyListValue solarRecord(const std::vector<HeicFrameSource>& frames)
{
    PropertyListArray entries;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const WallpaperImage& image = frames[i].image;
        const double altitude = image.altitude.value_or(0);
        const bool light = image.isLight.value_or(altitude >= 0);
        entries.push_back({ PropertyListDictionary {
            { "i", { static_cast<std::int64_t>(i) } },
            { "a", { altitude } },
            { "z", { image.azimuth.value_or(0) } },
            { "o", { std::int64_t { light ? 1 : 0 } } },
        } });
    }
    return { PropertyListDictionary { { "si", { std::move(entries) } } } };
}

PropertyListValue appearanceRecord()
{
    return { PropertyListDictionary { { "l", { std::int64_t { 0 } } }, { "d", { std::int64_t { 1 } } } } };
}

std::string base64(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const std::uint32_t group = (std::uint32_t { bytes[i] } << 16)
            | (left > 1 ? std::uint32_t { bytes[i + 1] } << 8 : 0) | (left > 2 ? bytes[i + 2] : 0);
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += left > 1 ? alphabet[(group >> 6) & 63] : '=';
        text += left > 2 ? alphabet[group & 63] : '=';
    }
    return text;
}

std::string desktopXmpPacket(const PropertyListValue& record, std::string_view propertyName)
{
    const std::string value = base64(serializeBinaryPropertyList(record));
    std::string packet;
    packet += "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n";
    packet += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n";
    packet += " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n";
    packet += "  <rdf:Description rdf:about=\"\" xmlns:";
    packet += desktopPrefix;
    packet += "=\"";
    packet += desktopNamespace;
    packet += "\" ";
    packet += desktopPrefix;
    packet += ':';
    packet += propertyName;
    packet += "=\"" + value + "\"/>\n";
    packet += " </rdf:RDF>\n";
    packet += "</x:xmpmeta>\n";
    packet += "<?xpacket end=\"w\"?>";
    return packet;
}

} // namespace tl
