// The host features the plug-in and its UI read at instantiation: a feature's
// data by URI, and an option's value from the options feature.
//
// Threads: the host's instantiation (or UI) thread, during instantiate.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstring>

namespace lv2bundle
{
// The data of the feature `uri` in a host's null-terminated list, or null.
inline const void* featureData(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    return nullptr;
}

// The value of option `key` when the host passes urid:map and options and
// gives that option with the atom type `type` and `size` bytes; else null.
inline const void* optionValue(const LV2_Feature* const* features, const char* key, const char* type, uint32_t size)
{
    const auto* map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map));
    const auto* options = static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options));
    if (!map || !options)
        return nullptr;
    const LV2_URID keyUrid = map->map(map->handle, key);
    const LV2_URID typeUrid = map->map(map->handle, type);
    for (const LV2_Options_Option* o = options; o->key || o->value; ++o)
        if (o->key == keyUrid && o->type == typeUrid && o->size == size && o->value)
            return o->value;
    return nullptr;
}
} // namespace lv2bundle
