// What every vector-loop file includes first: our own headers, which hold
// nothing that the wider instruction sets could be used for.
#pragma once

#include <cstdint>

#include "core/engine/generator.h"
#include "core/engine/generator_kernels.h"
