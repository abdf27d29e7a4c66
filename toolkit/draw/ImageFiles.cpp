#include "ImageFiles.h"

#include <cstdint>
#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>
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

bool decodeBitmap(const unsigned char* data, size_t size, PixelBuffer& image)
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
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;
    if (!isFile)
    {
        // A packed DIB: pixels follow the header, its colour masks and palette.
        pixelOffset = headerSize + (compression == 3 && headerSize == kInfoHeaderSize ? 12 : 0) +
                      static_cast<size_t>(paletteSize) * 4;
    }
    const size_t bytesPerPixel = bitsPerPixel / 8;
    const size_t stride = (static_cast<size_t>(width) * bytesPerPixel + 3) & ~size_t{3};
    if (pixelOffset > size || stride * static_cast<size_t>(height) > size - pixelOffset)
        return false;
    PixelBuffer decoded(width, height);
    for (int y = 0; y < height; ++y)
    {
        const unsigned char* row = data + pixelOffset + stride * static_cast<size_t>(bottomUp ? height - 1 - y : y);
        for (int x = 0; x < width; ++x)
        {
            const unsigned char* p = row + static_cast<size_t>(x) * bytesPerPixel;
            decoded.at(x, y) = 0xFF000000u | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | uint32_t{p[0]};
        }
    }
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
