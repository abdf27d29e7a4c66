// Image encodings: 24-bit Windows bitmaps (the form of the module's bitmap
// resources at 100 %), PNG (its bitmaps at the other zoom levels, and
// screenshots and previews).
#pragma once

#include "PixelBuffer.h"

#include <cstddef>
#include <string>
#include <vector>

// Decodes a 24- or 32-bit uncompressed bitmap, given either as a whole .bmp
// file or as a packed DIB (header and pixels, as a resource holds it).
// Answers false, leaving `image` untouched, for anything else or truncated data.
bool decodeBitmap(const unsigned char* data, size_t size, PixelBuffer& image);

// A bitmap as decodeBitmap reads it, or an 8-bit RGB or RGBA PNG file
// (opaque). Answers false, leaving `image` untouched, for anything else.
bool decodeImage(const unsigned char* data, size_t size, PixelBuffer& image);

// The width and height of a bitmap decodeBitmap would read, from its header
// alone; false for anything else.
bool bitmapSize(const unsigned char* data, size_t size, int& width, int& height);

// The image as a 24-bit .bmp file (alpha dropped).
std::vector<unsigned char> encodeBitmap24(const PixelBuffer& image);

bool writePng(const PixelBuffer& image, const std::string& path);

// An image file decodeImage reads; false when the file cannot be read or decoded.
bool readImageFile(const std::string& path, PixelBuffer& image);
