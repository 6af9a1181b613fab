// PNG files: what the reader makes of files other programs wrote, of every
// row filter and of broken files; what the writer puts on disk, as an
// independent reader sees it; and the picture record inside.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "core/engine/picture.h"
#include "core/engine/picturefile.h"
#include "core/image/pngfile.h"
#include "core/palettes/schemes.h"
#include "support/tempdir.h"

#ifdef TINDRAL_TEST_LIBPNG
#include <png.h>
#endif

namespace {

using Bytes = std::vector<unsigned char>;

void Be32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(v >> shift));
}

Bytes Chunk(const char* type, const Bytes& data) {
    Bytes c;
    Be32(c, static_cast<std::uint32_t>(data.size()));
    c.insert(c.end(), type, type + 4);
    c.insert(c.end(), data.begin(), data.end());
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    Be32(c, static_cast<std::uint32_t>(crc));
    return c;
}

Bytes Header(std::uint32_t width, std::uint32_t height, int depth = 8, int colorType = 3, int interlace = 0) {
    Bytes d;
    Be32(d, width);
    Be32(d, height);
    d.insert(d.end(), {static_cast<unsigned char>(depth), static_cast<unsigned char>(colorType), 0, 0,
                       static_cast<unsigned char>(interlace)});
    return Chunk("IHDR", d);
}

Bytes Packed(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6);
    out.resize(size);
    return out;
}

Bytes File(const std::vector<Bytes>& chunks) {
    Bytes f = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Bytes& c : chunks) f.insert(f.end(), c.begin(), c.end());
    return f;
}

// The test image: 7 x 4 indices, index (x, y) = 3x + 5y + 1 (y from the top),
// and a palette whose entry i is (i, 2i, 255 - i), 32 entries unless told.
constexpr int kW = 7, kH = 4;
int Index(int x, int y) {
    return 3 * x + 5 * y + 1;
}
Bytes Palette(int entries = 32) {
    Bytes p;
    for (int i = 0; i < entries; ++i)
        p.insert(p.end(), {static_cast<unsigned char>(i), static_cast<unsigned char>(2 * i),
                           static_cast<unsigned char>(255 - i)});
    return Chunk("PLTE", p);
}

// The filtered rows of the test image, every row with the filter given.
Bytes Filtered(int filter) {
    Bytes raw, prior(kW, 0);
    for (int y = 0; y < kH; ++y) {
        Bytes row(kW);
        for (int x = 0; x < kW; ++x) row[static_cast<std::size_t>(x)] = static_cast<unsigned char>(Index(x, y));
        raw.push_back(static_cast<unsigned char>(filter));
        for (int x = 0; x < kW; ++x) {
            const int a = x ? row[x - 1] : 0, b = prior[x], c = x ? prior[x - 1] : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predictors[] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
            raw.push_back(static_cast<unsigned char>(row[x] - predictors[filter]));
        }
        prior = row;
    }
    return raw;
}

Bytes Good(int filter = 0) {
    return File({Header(kW, kH), Palette(), Chunk("IDAT", Packed(Filtered(filter))), Chunk("IEND", {})});
}

bool ReadPngBytes(const Bytes& bytes, CDIB* dib, Bytes* extra, std::string* why) {
    TempDir dir;
    WriteBytes(dir.File("in.png"), bytes);
    CFile file;
    EXPECT_TRUE(file.Open(dir.File("in.png").c_str(), CFile::modeRead));
    return ReadImageFile(&file, dib, extra, why);
}

Bytes Written(const CDIB& dib, const PictureRecord* record) {
    TempDir dir;
    {
        CFile file;
        EXPECT_TRUE(file.Open(dir.File("out.png").c_str(), CFile::modeReadWrite | CFile::modeCreate));
        EXPECT_TRUE(record ? WritePictureFile(&file, dib, *record, PictureFormat::Png)
                           : WriteImageFile(&file, dib, PictureFormat::Png));
    }
    return ReadBytes(dir.File("out.png"));
}

TEST(PngReader, UndoesEveryRowFilter) {
    for (int filter = 0; filter <= 4; ++filter) {
        CDIB dib;
        std::string why;
        ASSERT_TRUE(ReadPngBytes(Good(filter), &dib, nullptr, &why)) << filter << ": " << why;
        ASSERT_EQ(std::make_tuple(dib.ImageWidth(), dib.ImageHeight(), dib.ColorCount()), std::make_tuple(kW, kH, 32));
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                ASSERT_EQ(*dib.PixelAddress(x, y), Index(x, y)) << filter << " " << x << "," << y;
        const RGBQUAD& c = dib.Info()->bmiColors[5];
        EXPECT_EQ(std::make_tuple(c.rgbRed, c.rgbGreen, c.rgbBlue, dib.Info()->bmiColors[32].rgbBlue),
                  std::make_tuple(5, 10, 250, 0));
    }
}

// Files that other programs wrote (tests/data/README.md): the 6 x 5 F.
TEST(PngReader, ReadsOtherProgramsIndexedFilesAndTheirPalettes) {
    const RGBQUAD kColours[] = {{220, 50, 10, 0}, {10, 30, 200, 0}, {60, 180, 40, 0}};  // blue, red, green
    const char* rows[] = {"FFFFF.", "F.....", "FFF...", "F.....", "F....G"};
    for (const auto& [name, colors, green] : {std::make_tuple("index8", 3, true), std::make_tuple("index2", 3, true),
                                              std::make_tuple("index1", 2, false)}) {
        CDIB dib;
        std::string why;
        ASSERT_TRUE(ReadPngBytes(ReadBytes(std::string(TINDRAL_TEST_DATA) + "/" + name + ".png"), &dib, nullptr, &why))
            << name << ": " << why;
        EXPECT_EQ(dib.ColorCount(), colors) << name;
        EXPECT_TRUE(dib.CanGivePalette(&why)) << name;
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 6; ++x) {
                const char want = rows[y][x] == 'G' && !green ? '.' : rows[y][x];
                const RGBQUAD got = dib.Info()->bmiColors[*dib.PixelAddress(x, y)];
                EXPECT_EQ(std::memcmp(&got, &kColours[std::string(".FG").find(want)], 4), 0) << name << x << y;
            }
        }
    }
}

// Broken files, each refused with its reason, the image before left as it was.
struct Broken {
    const char* name;
    std::function<Bytes()> make;
    const char* reason;
};

Bytes Cut(Bytes b, std::size_t size) {
    b.resize(size);
    return b;
}
Bytes Flipped(Bytes b, std::size_t at) {
    b[at] ^= 0x40;
    return b;
}
Bytes WithIdat(const Bytes& data, const Bytes& before = Palette()) {
    return File({Header(kW, kH), before, Chunk("IDAT", data), Chunk("IEND", {})});
}

class BrokenPng : public testing::TestWithParam<Broken> {};

TEST_P(BrokenPng, IsRefusedWithItsReason) {
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(3, 2));
    *dib.PixelAddress(1, 1) = 9;
    std::string why;
    EXPECT_FALSE(ReadPngBytes(GetParam().make(), &dib, nullptr, &why));
    EXPECT_NE(why.find(GetParam().reason), std::string::npos) << why;
    EXPECT_EQ(std::make_tuple(dib.ImageWidth(), dib.ImageHeight(), *dib.PixelAddress(1, 1)), std::make_tuple(3, 2, 9));
}

const std::size_t kIdatAt = 8 + 25 + 12 + 96;  // signature, IHDR, PLTE
// clang-format off
INSTANTIATE_TEST_SUITE_P(Corpus, BrokenPng, testing::Values(
    Broken{"BadSignature", [] { return Flipped(Good(), 1); }, "neither a bitmap nor a PNG file"},
    Broken{"BadCrc", [] { return Flipped(Good(), kIdatAt + 10); }, "IDAT chunk has a bad checksum"},
    Broken{"TruncatedIdat", [] { return Cut(Good(), kIdatAt + 14); }, "the file ends inside a chunk"},
    Broken{"NoIend", [] { const Bytes g = Good(); return Cut(g, g.size() - 12); }, "ends before its IEND"},
    Broken{"StreamCutShort", [] { const Bytes p = Packed(Filtered(0)); return WithIdat(Cut(p, p.size() - 6)); },
           "cut short"},
    Broken{"StreamDamaged", [] { return WithIdat(Bytes(40, 0xEE)); }, "picture data is damaged"},
    Broken{"BadFilter", [] { Bytes raw = Filtered(0); raw[8] = 5; return WithIdat(Packed(raw)); }, "damaged"},
    Broken{"LengthPastTheEnd", [] { Bytes g = Good(); g[kIdatAt + 1] = 0x40; return g; }, "ends inside a chunk"},
    Broken{"LengthTooLarge", [] { Bytes g = Good(); g[kIdatAt] = 0x80; return g; }, "length is wrong"},
    Broken{"HeaderLength", [] { return File({Chunk("IHDR", Bytes(12, 1))}); }, "IHDR header has the wrong length"},
    Broken{"HugeSides", [] { return File({Header(2000000, 5), Palette()}); }, "is too large"},
    Broken{"HugeClaimSmallData", [] { return File({Header(1000000, 1000000), Palette(),
           Chunk("IDAT", Packed(Filtered(0))), Chunk("IEND", {})}); }, "cut short"},
    Broken{"ZeroWidth", [] { return File({Header(0, 5)}); }, "no width or height"},
    Broken{"Animated", [] { return File({Header(kW, kH), Chunk("acTL", Bytes(8, 1)), Palette()}); },
           "animated PNG files are not supported"},
    Broken{"SixteenBit", [] { return File({Header(kW, kH, 16, 0)}); }, "16-bit PNG files are not supported"},
    Broken{"Grey", [] { return ReadBytes(std::string(TINDRAL_TEST_DATA) + "/grey8.png"); },
           "a greyscale PNG file has no palette"},
    Broken{"TrueColour", [] { return File({Header(kW, kH, 8, 2)}); }, "true-colour PNG file has no palette"},
    Broken{"Interlaced", [] { return File({Header(kW, kH, 8, 3, 1)}); }, "interlaced"},
    Broken{"DepthThree", [] { return File({Header(kW, kH, 3, 3)}); }, "bit depth"},
    Broken{"NoPalette", [] { return WithIdat(Packed(Filtered(0)), Chunk("tEXt", {'a', 0, 'b'})); },
           "comes before a palette"},
    Broken{"PaletteTooLong", [] { return File({Header(kW, kH, 4, 3), Palette(17)}); }, "palette has the wrong length"},
    Broken{"UnknownCritical", [] { return WithIdat(Packed(Filtered(0)), Chunk("ABCD", {})); }, "ABCD"},
    Broken{"HeaderNotFirst", [] { return File({Palette(), Header(kW, kH)}); }, "does not begin with an IHDR"},
    Broken{"SplitData", [] { const Bytes p = Packed(Filtered(0)); return File({Header(kW, kH), Palette(),
           Chunk("IDAT", Bytes(p.begin(), p.begin() + 4)), Chunk("tEXt", {'a', 0}),
           Chunk("IDAT", Bytes(p.begin() + 4, p.end())), Chunk("IEND", {})}); }, "split"}),
    [](const testing::TestParamInfo<Broken>& param) { return std::string(param.param.name); });
// clang-format on

// A picture made the one road, written as a bitmap and as a PNG.
struct Made {
    SetPicture picture;
    PictureRecord record;
};
Made MakeSample(bool map) {
    Made m;
    m.record.params = DefaultPictureParams();
    m.record.params.width = 41, m.record.params.height = 23, m.record.params.noise = 0.3, m.record.params.seed = 7;
    const ColorList colors = MakeScheme(Scheme::Jungle);
    CColorMap colorMap(0);
    EXPECT_EQ(MakePicture(m.record.params, {true, &colorMap}, EntriesFromColors(colors.data(), kSchemeEntries), {},
                          &m.picture),
              PictureResult::Made);
    m.record.hasColorMap = map;
    if (map) m.record.colorMap = colorMap.Entries();
    return m;
}

TEST(PngPicture, RecordRoundTripsAndTheSamePictureGivesTheSameBytes) {
    for (bool map : {false, true}) {
        const Made m = MakeSample(map);
        const CDIB& dib = *m.picture.dib;
        const Bytes png = Written(dib, &m.record);
        CDIB back;
        PictureRecord record;
        PictureFileState state;
        std::string why;
        {
            TempDir dir;
            WriteBytes(dir.File("p.png"), png);
            CFile file;
            ASSERT_TRUE(file.Open(dir.File("p.png").c_str(), CFile::modeRead));
            ASSERT_TRUE(ReadPictureFile(&file, &back, &record, &state, &why)) << why;
        }
        ASSERT_EQ(state.record, RecordState::Found);
        EXPECT_EQ(std::make_tuple(record.params.seed, record.params.noise, record.hasColorMap, record.colorMap),
                  std::make_tuple(7u, 0.3, map, m.record.colorMap));
        // Pixel for pixel and colour for colour the bitmap's picture.
        ASSERT_EQ(back.ColorCount(), 256);
        EXPECT_EQ(std::memcmp(back.Info()->bmiColors, dib.Info()->bmiColors, 256 * sizeof(RGBQUAD)), 0);
        for (int y = 0; y < dib.ImageHeight(); ++y)
            EXPECT_EQ(std::memcmp(back.PixelAddress(0, y), dib.PixelAddress(0, y), 41), 0) << y;
        EXPECT_EQ(Written(back, &record), png);
    }
}

// The record in a PNG is held to the same rule as after a bitmap: found only
// when sound, believed only where it describes the image.
TEST(PngPicture, RecordThatIsDamagedOrDoesNotDescribeTheImage) {
    const Made m = MakeSample(true);
    Bytes other;
    ASSERT_TRUE(PictureRecordBytes(m.record, &other));
    PictureRecord record = m.record;
    record.params.width = kW, record.params.height = kH, record.colorMap.pop_back();
    Bytes shortMap;
    ASSERT_TRUE(PictureRecordBytes(record, &shortMap));
    record.colorMap.push_back(0);
    Bytes fits;
    ASSERT_TRUE(PictureRecordBytes(record, &fits));
    Bytes damaged = fits;
    damaged[3] ^= 1;
    // The writer's table: the picture's colours, then black to 256 entries.
    Bytes table(256 * 3, 0);
    for (int i = 0; i < 201; ++i) table[3 * i] = static_cast<unsigned char>(i + 1);
    for (const auto& [chunk, plte, state] :
         {std::make_tuple(other, table, RecordState::Mismatch), std::make_tuple(shortMap, table, RecordState::Mismatch),
          std::make_tuple(damaged, table, RecordState::Damaged),
          std::make_tuple(Bytes(20, 'T'), table, RecordState::Damaged),
          std::make_tuple(fits, Bytes(table.begin(), table.begin() + 96), RecordState::Mismatch),
          std::make_tuple(fits, table, RecordState::Found)}) {
        TempDir dir;
        WriteBytes(dir.File("p.png"), File({Header(kW, kH), Chunk("PLTE", plte), Chunk(kPngPrivateChunk, chunk),
                                            Chunk("IDAT", Packed(Filtered(2))), Chunk("IEND", {})}));
        CFile file;
        ASSERT_TRUE(file.Open(dir.File("p.png").c_str(), CFile::modeRead));
        CDIB dib;
        PictureRecord found;
        PictureFileState got;
        std::string why;
        ASSERT_TRUE(ReadPictureFile(&file, &dib, &found, &got, &why)) << why;
        EXPECT_EQ(got.record, state) << got.mismatch;
    }
}

TEST(PngWriter, WritesOnlyEightBitBottomUpImages) {
    CDIB dib;
    TempDir dir;
    CFile file;
    ASSERT_TRUE(file.Open(dir.File("o.png").c_str(), CFile::modeReadWrite | CFile::modeCreate));
    ASSERT_TRUE(dib.CreateBlank(0, 3));
    EXPECT_FALSE(WritePng(&file, dib, {}));
    ASSERT_TRUE(ReadPngBytes(Good(), &dib, nullptr, nullptr));
    dib.Info()->bmiHeader.biBitCount = 4;
    EXPECT_FALSE(WritePng(&file, dib, {}));
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_EQ(FormatForPath("a.b/PICTURE.Png"), PictureFormat::Png);
    EXPECT_EQ(FormatForPath("png"), PictureFormat::Bitmap);
}

#ifdef TINDRAL_TEST_LIBPNG
// libpng, knowing nothing of Tindral, sees the same indices and palette.
TEST(PngWriter, AnIndependentReaderSeesTheSameIndicesAndPalette) {
    const Made m = MakeSample(false);
    const CDIB& dib = *m.picture.dib;
    TempDir dir;
    WriteBytes(dir.File("p.png"), Written(dib, &m.record));
    std::FILE* in = std::fopen(dir.File("p.png").c_str(), "rb");
    ASSERT_TRUE(in);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ASSERT_EQ(setjmp(png_jmpbuf(png)), 0);
    png_init_io(png, in);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    EXPECT_EQ(std::make_tuple(png_get_image_width(png, info), png_get_image_height(png, info),
                              png_get_bit_depth(png, info), png_get_color_type(png, info)),
              std::make_tuple(41u, 23u, png_byte{8}, png_byte{PNG_COLOR_TYPE_PALETTE}));
    png_colorp palette = nullptr;
    int entries = 0;
    png_get_PLTE(png, info, &palette, &entries);
    ASSERT_EQ(entries, 256);
    for (int i = 0; i < entries; ++i) {
        const RGBQUAD& c = dib.Info()->bmiColors[i];
        EXPECT_EQ(std::make_tuple(palette[i].red, palette[i].green, palette[i].blue),
                  std::make_tuple(c.rgbRed, c.rgbGreen, c.rgbBlue))
            << i;
    }
    png_bytepp rows = png_get_rows(png, info);
    for (int y = 0; y < 23; ++y) EXPECT_EQ(std::memcmp(rows[y], dib.PixelAddress(0, y), 41), 0) << y;
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
}
#endif

}  // namespace
