// The shortest decimal digits of a double.
#include "core/base/decimal.h"

#include <cstdio>
#include <cstdlib>

std::string ShortestDecimal(double value) {
    char buffer[64];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
        if (std::strtod(buffer, nullptr) == value) break;
    }
    return buffer;
}
