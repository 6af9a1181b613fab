// How a run's rows reach the loops: in an order spread over the whole
// picture, on the calling thread or on workers, with progress and stops as
// GeneratorControl asks. The double loops and the perturbation loops share it.
#pragma once

#include <functional>
#include <vector>

#include "core/engine/generator.h"
#include "core/engine/generator_kernels.h"

std::vector<int> RowOrder(int height);

// Runs loop (on as many threads as control and the work allow, work being
// about the steps the picture takes) until the rows are done or the run is
// stopped; true when every pixel was done.
bool RunRows(int width, int height, double work, const GeneratorControl& control,
             const std::function<void(PixelSource& source)>& loop);
