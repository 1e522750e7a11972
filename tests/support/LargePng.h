#pragma once

#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace tl::test {

// Writes a PNG of one colour at any size without ever holding its pixels: every row is the same,
// so each row's compressed form is made once (a full flush makes it stand alone) and repeated.
// `pixel` is one pixel's stored bytes (for 16-bit RGBA, eight). A 16384 x 16384 16-bit picture
// takes about 2 MB. With keptFraction below 1 the pixel data is cut short, as a broken download is.
struct LargePng {
    int width = 0;
    int height = 0;
    int bitDepth = 8;
    int colourType = 6; // 0 grey, 2 RGB, 4 grey and alpha, 6 RGBA
    std::string pixel;
    bool interlaced = false;
    double keptFraction = 1.0;

    void write(const std::filesystem::path& path) const
    {
        std::string data;
        z_stream stream {};
        deflateInit(&stream, 9);
        std::map<std::size_t, std::string> repeated;
        uLong adler = adler32(0, nullptr, 0);
        const auto addRows = [&](int rowWidth, int rows) {
            if (rowWidth <= 0 || rows <= 0) return;
            std::string row(1, '\0');
            for (int x = 0; x < rowWidth; ++x)
                row += pixel;
            for (int y = 0; y < rows; ++y) {
                adler = adler32_combine(adler,
                    adler32(1, reinterpret_cast<const Bytef*>(row.data()), static_cast<uInt>(row.size())),
                    static_cast<z_off_t>(row.size()));
                const auto known = repeated.find(row.size());
                if (known != repeated.end()) {
                    data += known->second;
                    continue;
                }
                const std::string compressed = deflated(stream, row, Z_FULL_FLUSH);
                data += compressed;
                // The first row of a length also carries the stream header; the second is the pure repeat.
                if (y > 0) repeated.emplace(row.size(), compressed);
            }
        };
        if (!interlaced) {
            addRows(width, height);
        } else {
            const int passes[7][4] = { { 0, 0, 8, 8 }, { 4, 0, 8, 8 }, { 0, 4, 4, 8 }, { 2, 0, 4, 4 }, { 0, 2, 2, 4 },
                { 1, 0, 2, 2 }, { 0, 1, 1, 2 } };
            for (const auto& p : passes)
                addRows((width - p[0] + p[2] - 1) / p[2], (height - p[1] + p[3] - 1) / p[3]);
        }
        data += deflated(stream, {}, Z_FINISH);
        deflateEnd(&stream);
        data.resize(data.size() - 4);
        data += bigEndian(static_cast<std::uint32_t>(adler));
        data.resize(static_cast<std::size_t>(static_cast<double>(data.size()) * keptFraction));

        const std::string header = bigEndian(static_cast<std::uint32_t>(width))
            + bigEndian(static_cast<std::uint32_t>(height))
            + std::string { static_cast<char>(bitDepth), static_cast<char>(colourType), 0, 0,
                  static_cast<char>(interlaced ? 1 : 0) };
        std::ofstream out(path, std::ios::binary);
        out << "\x89PNG\r\n\x1a\n" << chunk("IHDR", header);
        for (std::size_t at = 0; at < data.size(); at += 1 << 20)
            out << chunk("IDAT", data.substr(at, 1 << 20));
        if (keptFraction >= 1.0) out << chunk("IEND", {});
    }

private:
    static std::string bigEndian(std::uint32_t value)
    {
        return { static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value) };
    }

    static std::string chunk(const std::string& type, const std::string& body)
    {
        const std::string typed = type + body;
        const auto crc = crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
        return bigEndian(static_cast<std::uint32_t>(body.size())) + typed + bigEndian(static_cast<std::uint32_t>(crc));
    }

    static std::string deflated(z_stream& stream, const std::string& input, int flush)
    {
        std::string output;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
        stream.avail_in = static_cast<uInt>(input.size());
        char buffer[1 << 16];
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            output.append(buffer, sizeof buffer - stream.avail_out);
        } while (stream.avail_out == 0);
        return output;
    }
};

} // namespace tl::test
