// Every input that ever made a bitmap fuzzer fail, and the sample bitmaps,
// replayed through the same operations as the fuzzers in every configuration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/bitmap_exercise.h"
#include "support/tempdir.h"

namespace {

std::vector<std::string> Inputs() {
    std::vector<std::string> paths;
    for (const char* folder : {TINDRAL_FUZZ_REGRESSIONS, TINDRAL_TEST_DATA}) {
        if (!std::filesystem::is_directory(folder)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            // The folders' own notes are not inputs.
            if (entry.is_regular_file() && entry.path().extension() != ".md") paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

class FuzzRegressionTest : public testing::TestWithParam<std::string> {};

TEST_P(FuzzRegressionTest, BitmapReaderAndPixelOperations) {
    TempDir dir;
    CFile input, scratch;
    ASSERT_TRUE(input.Open(GetParam().c_str(), CFile::modeRead));
    const std::string output = dir.File("scratch.bmp");
    ASSERT_TRUE(scratch.Open(output.c_str(), CFile::modeReadWrite | CFile::modeCreate));
    // The checks inside end the process on a broken promise.
    bitmap_exercise::ExerciseBitmap(&input, &scratch);
}

TEST_P(FuzzRegressionTest, PaletteFromBitmap) {
    CFile input;
    ASSERT_TRUE(input.Open(GetParam().c_str(), CFile::modeRead));
    bitmap_exercise::ExercisePaletteFromBitmap(&input);
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzRegressionTest, testing::ValuesIn(Inputs()),
                         [](const testing::TestParamInfo<std::string>& param) {
                             const std::filesystem::path path(param.param);
                             std::string name = path.parent_path().filename().string() + "_" + path.filename().string();
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace
