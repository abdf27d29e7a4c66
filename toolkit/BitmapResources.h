// Where the module's bitmap resources come from. Defined once per module
// build: on Linux by the embedded resource table (resources/), on Windows by
// the module's resource section.
#pragma once

#include "draw/EmbeddedData.h"

// The encoded bitmap with the given resource id, or empty data when there is none.
EmbeddedData findBitmapResource(long resourceId);
