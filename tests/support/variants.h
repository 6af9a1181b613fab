// What the generator's tests share: a run on every instruction set this
// processor has, on one thread and on several, and the hash that golden
// counts are kept by.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/engine/generator.h"

// Calls run with each variant's control and its name, for messages.
inline void ForEachVariant(const std::function<void(const GeneratorControl&, const std::string&)>& run) {
    for (SimdLevel level : {SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512}) {
        if (EffectiveSimdLevel(level) != level) continue;  // not on this processor
        for (int threads : {1, 3}) {
            GeneratorControl control;
            control.simd = level;
            control.threads = threads;
            run(control, std::string(SimdLevelName(level)) + ", " + std::to_string(threads) + " thread(s)");
        }
    }
}

// FNV-1a over the counts' values.
inline std::uint64_t Hash(const std::vector<std::int32_t>& counts) {
    std::uint64_t h = 14695981039346656037ULL;
    for (std::int32_t c : counts)
        for (int b = 0; b < 4; ++b) {
            h ^= (static_cast<std::uint32_t>(c) >> (8 * b)) & 0xFF;
            h *= 1099511628211ULL;
        }
    return h;
}
