// Every input that ever made a fuzzer fail, the sample bitmaps and PNG files
// and the option and record fuzzers' seeds, replayed through the same operations as the
// fuzzers in every configuration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/bitmap_exercise.h"
#include "fuzz/options_exercise.h"
#include "fuzz/png_exercise.h"
#include "fuzz/record_exercise.h"
#include "support/tempdir.h"

namespace {

struct Input {
    std::string path;
    std::string name;  // an identifier
    bool commandLine;  // for the option parser, not the bitmap reader
};
std::vector<Input> Inputs() {
    std::vector<Input> inputs;
    const std::string seeds = std::string(TINDRAL_FUZZ_SEEDS) + "/render_options";
    const std::string records = std::string(TINDRAL_FUZZ_SEEDS) + "/picture_record";
    for (const std::string& folder :
         {std::string(TINDRAL_FUZZ_REGRESSIONS), std::string(TINDRAL_TEST_DATA), seeds, records}) {
        if (!std::filesystem::is_directory(folder)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            // The folders' own notes are not inputs.
            if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
            // Short, for test names: a fuzzer's input is known by its kind and the end of its hash.
            std::string name = entry.path().stem().string();
            if (name.size() > 28) name = name.substr(0, 19) + "_" + name.substr(name.size() - 8);
            for (char& ch : name)
                if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
            const bool commandLine = folder == seeds || name.rfind("render_options", 0) == 0;
            const std::string kind = folder == seeds ? "options_" : folder == records ? "record_" : "";
            inputs.push_back({entry.path().string(), kind + name, commandLine});
        }
    }
    std::sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.name < b.name; });
    return inputs;
}

class Fuzz : public testing::TestWithParam<Input> {};

TEST_P(Fuzz, Replay) {
    if (GetParam().commandLine) {
        const std::vector<unsigned char> bytes = ReadBytes(GetParam().path);
        options_exercise::ExerciseOptions(bytes.data(), bytes.size());
        return;
    }
    TempDir dir;
    CFile input, scratch;
    ASSERT_TRUE(input.Open(GetParam().path.c_str(), CFile::modeRead));
    ASSERT_TRUE(scratch.Open(dir.File("scratch.bmp").c_str(), CFile::modeReadWrite | CFile::modeCreate));
    // The checks inside end the process on a broken promise.
    bitmap_exercise::ExerciseBitmap(&input, &scratch);
    input.Seek(0);
    bitmap_exercise::ExercisePaletteFromBitmap(&input);
    input.Seek(0);
    CFile pngScratch;
    ASSERT_TRUE(pngScratch.Open(dir.File("scratch.png").c_str(), CFile::modeReadWrite | CFile::modeCreate));
    png_exercise::ExercisePng(&input, &pngScratch);
    input.Seek(0);
    record_exercise::ExerciseRecord(&input, &pngScratch);
}

INSTANTIATE_TEST_SUITE_P(Replay, Fuzz, testing::ValuesIn(Inputs()),
                         [](const testing::TestParamInfo<Input>& param) { return param.param.name; });

}  // namespace
