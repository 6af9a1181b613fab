// The transcendental functions of the polar loop and of the noise draw, taken
// one lane at a time from the same vector math library as the vector loops.
#pragma once

namespace vecmath {

// Each answers exactly what one lane of the SSE2, AVX2 and AVX-512 loops
// answers for the same argument, on every build: the scalar reference and the
// vector loops then give the same counts, and so do Linux and Windows, whose
// runtime libraries round their own functions differently.
double Pow(double x, double y);
double Atan2(double y, double x);
void SinCos(double x, double* sine, double* cosine);
double Log(double x);

}  // namespace vecmath
