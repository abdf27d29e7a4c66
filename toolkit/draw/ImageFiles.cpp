#include "ImageFiles.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace
{
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

uint32_t readU32(const unsigned char* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t readU16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
void writeU32(unsigned char* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}
void writeU16(unsigned char* p, uint16_t value)
{
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
}
} // namespace

namespace
{
struct BitmapLayout
{
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    size_t bytesPerPixel = 3;
    size_t stride = 0;
    size_t pixelOffset = 0;
};

// The layout of a 24- or 32-bit uncompressed bitmap (file or packed DIB),
// checked against the data's size.
bool readBitmapLayout(const unsigned char* data, size_t size, BitmapLayout& layout)
{
    if (!data)
        return false;
    size_t infoOffset = 0;
    size_t pixelOffset = 0;
    const bool isFile = size >= kFileHeaderSize && data[0] == 'B' && data[1] == 'M';
    if (isFile)
    {
        infoOffset = kFileHeaderSize;
        pixelOffset = readU32(data + 10);
    }
    if (size < infoOffset + kInfoHeaderSize)
        return false;
    const unsigned char* info = data + infoOffset;
    const uint32_t headerSize = readU32(info);
    const auto width = static_cast<int32_t>(readU32(info + 4));
    const auto rawHeight = static_cast<int32_t>(readU32(info + 8));
    const uint16_t bitsPerPixel = readU16(info + 14);
    const uint32_t compression = readU32(info + 16);
    const uint32_t paletteSize = readU32(info + 32);
    if (headerSize < kInfoHeaderSize || width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN ||
        (bitsPerPixel != 24 && bitsPerPixel != 32) || (compression != 0 && compression != 3) ||
        width > 16384 || rawHeight > 16384 || rawHeight < -16384)
        return false;
    layout.bottomUp = rawHeight > 0;
    layout.width = width;
    layout.height = layout.bottomUp ? rawHeight : -rawHeight;
    if (!isFile)
    {
        // A packed DIB: pixels follow the header, its colour masks and palette.
        pixelOffset = headerSize + (compression == 3 && headerSize == kInfoHeaderSize ? 12 : 0) +
                      static_cast<size_t>(paletteSize) * 4;
    }
    layout.bytesPerPixel = bitsPerPixel / 8;
    layout.stride = (static_cast<size_t>(width) * layout.bytesPerPixel + 3) & ~size_t{3};
    layout.pixelOffset = pixelOffset;
    return pixelOffset <= size && layout.stride * static_cast<size_t>(layout.height) <= size - pixelOffset;
}
} // namespace

bool decodeBitmap(const unsigned char* data, size_t size, PixelBuffer& image)
{
    BitmapLayout layout;
    if (!readBitmapLayout(data, size, layout))
        return false;
    PixelBuffer decoded(layout.width, layout.height);
    for (int y = 0; y < layout.height; ++y)
    {
        const unsigned char* row = data + layout.pixelOffset +
                                   layout.stride * static_cast<size_t>(layout.bottomUp ? layout.height - 1 - y : y);
        for (int x = 0; x < layout.width; ++x)
        {
            const unsigned char* p = row + static_cast<size_t>(x) * layout.bytesPerPixel;
            decoded.at(x, y) = 0xFF000000u | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | uint32_t{p[0]};
        }
    }
    image = std::move(decoded);
    return true;
}

bool bitmapSize(const unsigned char* data, size_t size, int& width, int& height)
{
    BitmapLayout layout;
    if (!readBitmapLayout(data, size, layout))
        return false;
    width = layout.width;
    height = layout.height;
    return true;
}

bool decodeImage(const unsigned char* data, size_t size, PixelBuffer& image)
{
    if (decodeBitmap(data, size, image))
        return true;
    constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!data || size < sizeof kPngSignature || std::memcmp(data, kPngSignature, sizeof kPngSignature) != 0 ||
        size > static_cast<size_t>(INT32_MAX))
        return false;
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 3);
    if (!pixels)
        return false;
    PixelBuffer decoded(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const unsigned char* p = pixels + (static_cast<size_t>(y) * width + x) * 3;
            decoded.at(x, y) = 0xFF000000u | uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | uint32_t{p[2]};
        }
    stbi_image_free(pixels);
    image = std::move(decoded);
    return true;
}

std::vector<unsigned char> encodeBitmap24(const PixelBuffer& image)
{
    const size_t stride = (static_cast<size_t>(image.width()) * 3 + 3) & ~size_t{3};
    const size_t pixelBytes = stride * static_cast<size_t>(image.height());
    std::vector<unsigned char> file(kFileHeaderSize + kInfoHeaderSize + pixelBytes, 0);
    unsigned char* p = file.data();
    p[0] = 'B';
    p[1] = 'M';
    writeU32(p + 2, static_cast<uint32_t>(file.size()));
    writeU32(p + 10, static_cast<uint32_t>(kFileHeaderSize + kInfoHeaderSize));
    unsigned char* info = p + kFileHeaderSize;
    writeU32(info, kInfoHeaderSize);
    writeU32(info + 4, static_cast<uint32_t>(image.width()));
    writeU32(info + 8, static_cast<uint32_t>(image.height()));
    writeU16(info + 12, 1);
    writeU16(info + 14, 24);
    writeU32(info + 20, static_cast<uint32_t>(pixelBytes));
    writeU32(info + 24, 2835); // 72 dpi
    writeU32(info + 28, 2835);
    for (int y = 0; y < image.height(); ++y)
    {
        unsigned char* row = p + kFileHeaderSize + kInfoHeaderSize + stride * static_cast<size_t>(image.height() - 1 - y);
        for (int x = 0; x < image.width(); ++x)
        {
            const uint32_t pixel = image.at(x, y);
            row[x * 3] = static_cast<unsigned char>(pixel);
            row[x * 3 + 1] = static_cast<unsigned char>(pixel >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(pixel >> 16);
        }
    }
    return file;
}

bool writePng(const PixelBuffer& image, const std::string& path)
{
    if (image.empty())
        return false;
    std::vector<unsigned char> rgb(static_cast<size_t>(image.width()) * image.height() * 3);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
        {
            const uint32_t pixel = image.at(x, y);
            unsigned char* p = &rgb[(static_cast<size_t>(y) * image.width() + x) * 3];
            p[0] = static_cast<unsigned char>(pixel >> 16);
            p[1] = static_cast<unsigned char>(pixel >> 8);
            p[2] = static_cast<unsigned char>(pixel);
        }
    return stbi_write_png(path.c_str(), image.width(), image.height(), 3, rgb.data(), image.width() * 3) != 0;
}

bool readImageFile(const std::string& path, PixelBuffer& image)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    const std::vector<unsigned char> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return !data.empty() && decodeImage(data.data(), data.size(), image);
}
