#include "EmbeddedData.h"

// Generated from the build's font files (toolkit/CMakeLists.txt): key 0 the
// regular face, key 1 the bold one.
extern const EmbeddedEntry embeddedFontTable[];
extern const size_t embeddedFontTableCount;

EmbeddedData embeddedFont(bool bold)
{
    const int key = bold ? 1 : 0;
    for (size_t i = 0; i < embeddedFontTableCount; ++i)
        if (embeddedFontTable[i].key == key)
            return embeddedFontTable[i].data;
    return {};
}
