// Doubles as the decimal digits people read and type.
#pragma once

#include <string>

// The shortest digits ("%.Ng", N up to 17) that read back as value: what a
// double field shows, so that its text gives the value back bit for bit.
std::string ShortestDecimal(double value);
