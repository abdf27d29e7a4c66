#include "BitmapResources.h"

// Generated from corvanta.rc and the generator's output (resources/CMakeLists.txt).
extern const EmbeddedEntry embeddedBitmapTable[];
extern const size_t embeddedBitmapTableCount;

EmbeddedData findBitmapResource(long resourceId)
{
    for (size_t i = 0; i < embeddedBitmapTableCount; ++i)
        if (embeddedBitmapTable[i].key == resourceId)
            return embeddedBitmapTable[i].data;
    return {};
}
