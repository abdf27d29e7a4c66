// Parameter values in the units their texts show (ms, %, Hz, dB): the
// ranges and the inverse mappings of typed values are columns of the
// parameter table, declared with it.
#pragma once

#include "ParameterTable.h"
