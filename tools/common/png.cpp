// PNG encoding: one IDAT chunk compressed with zlib, filter type 0 on every row.
#include "tools/common/png.h"

#include "tools/common/output_file.h"

#include <zlib.h>

#include <vector>

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data)
{
    PutU32(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(data.size() + 4));
    PutU32(out, static_cast<uint32_t>(crc));
}

} // namespace

bool WritePng(const std::string& path, const uint8_t* pixels, int width, int height, int channels,
              std::string* error)
{
    static const uint8_t ColourTypes[5] = { 0, 0, 0, 2, 6 };
    std::string problem;
    if (!error)
        error = &problem;
    if (width <= 0 || height <= 0 || channels < 1 || channels > 4 || channels == 2) {
        *error = "cannot write " + path + ": not an image of 1, 3 or 4 channels";
        return false;
    }

    std::vector<uint8_t> raw;
    const size_t rowBytes = static_cast<size_t>(width) * channels;
    raw.reserve((rowBytes + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const uint8_t* row = pixels + rowBytes * y;
        raw.insert(raw.end(), row, row + rowBytes);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) {
        *error = "cannot write " + path + ": compression failed";
        return false;
    }
    packed.resize(packedSize);

    std::vector<uint8_t> header;
    PutU32(header, static_cast<uint32_t>(width));
    PutU32(header, static_cast<uint32_t>(height));
    header.push_back(8);
    header.push_back(ColourTypes[channels]);
    header.push_back(0);
    header.push_back(0);
    header.push_back(0);

    std::vector<uint8_t> file = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});

    return WriteWholeFile(path, file.data(), file.size(), error);
}
