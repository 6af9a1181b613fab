// Bitmap files: what the reader makes of files other programs wrote and of
// made and damaged ones, which of them may give a palette, what the writer
// puts on disk, and the picture record that follows a saved picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/engine/record.h"
#include "core/image/dib.h"
#include "support/tempdir.h"

// The reader answers FALSE when a damaged header asks for more memory than
// there is; the sanitizer build must let the allocator say no rather than stop.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
#endif

namespace {

using Bytes = std::vector<unsigned char>;

Bytes DataFile(const std::string& name) {
    return ReadBytes(std::string(TINDRAL_TEST_DATA) + "/" + name);
}

// Reads bytes, placed after offset other bytes, as a bitmap (or its colour
// table alone).
bool ReadAsBitmap(CDIB& dib, const Bytes& bytes, const TempDir& dir, std::size_t offset = 0, std::string* why = nullptr,
                  bool tableOnly = false) {
    Bytes file(offset, 'x');
    file.insert(file.end(), bytes.begin(), bytes.end());
    WriteBytes(dir.File("input.bmp"), file);
    CFile input;
    EXPECT_TRUE(input.Open(dir.File("input.bmp").c_str(), CFile::modeRead | CFile::shareDenyWrite));
    input.Seek(offset);
    return tableOnly ? dib.ReadColorTable(&input, why) : dib.ReadBitmap(&input, why);
}

// Only 8-bit bottom-up images are written; what is written reads back as the
// same image. Answers the file's bytes.
Bytes ExpectRoundTrip(CDIB& dib, const TempDir& dir, bool writable) {
    const std::string path = dir.File("output.bmp");
    {
        CFile file;
        EXPECT_TRUE(file.Open(path.c_str(), CFile::modeReadWrite | CFile::modeCreate));
        EXPECT_EQ(dib.WriteToFile(&file) != FALSE, writable);
    }
    const Bytes b = ReadBytes(path);
    const std::size_t rows = RowStride(dib.ImageWidth()) * static_cast<std::size_t>(dib.ImageHeight());
    CDIB back;
    if (!writable || !ReadAsBitmap(back, b, dir)) return b;
    EXPECT_EQ(b.size(), 1078 + rows);
    EXPECT_EQ(std::memcmp(back.Info(), dib.Info(), kInfoBlockBytes), 0);
    EXPECT_EQ(Bytes(back.Pixels(), back.Pixels() + back.PixelBytes()), Bytes(dib.Pixels(), dib.Pixels() + rows));
    return b;
}

bool Same(const RGBQUAD& a, const RGBQUAD& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Parameters are known by their names, in test names and in messages.
template <class Param>
std::string NameOf(const testing::TestParamInfo<Param>& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

// The palette rule's answer: true, or the reason contains refusal.
void ExpectPaletteRule(const CDIB& dib, const char* refusal) {
    std::string why;
    EXPECT_EQ(dib.CanGivePalette(&why), refusal == nullptr);
    EXPECT_NE(why.find(refusal ? refusal : ""), std::string::npos) << why;
}

// ---------------------------------------------------------------------------
// Files written by other programs (tests/data/README.md says how): a 6 x 5 F
// of red on blue, green in the bottom-right corner of the three-colour picture.
// Some are read after other bytes, as from the middle of a document file.

struct Sample {
    const char* name;
    WORD bits;
    int colors;
    DWORD clrUsed;
    bool greenCorner;
    std::size_t offset;
    const char* paletteRefusal;  // null when the palette rule takes the file
};

class SampleFile : public testing::TestWithParam<Sample> {};

TEST_P(SampleFile, ReadExactly) {
    const Sample& f = GetParam();
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(ReadAsBitmap(dib, DataFile(std::string(f.name) + ".bmp"), dir, f.offset));
    const BITMAPINFOHEADER& h = dib.Info()->bmiHeader;
    EXPECT_EQ(std::tie(h.biSize, h.biWidth, h.biHeight, h.biPlanes, h.biBitCount, h.biClrUsed),
              std::make_tuple(DWORD{40}, LONG{6}, LONG{5}, WORD{1}, f.bits, f.clrUsed));
    EXPECT_EQ(dib.ColorCount(), f.colors);
    for (int i = f.colors; i < 256; ++i) EXPECT_TRUE(Same(dib.Info()->bmiColors[i], RGBQUAD{})) << "entry " << i;
    const std::size_t stride = (6u * f.bits + 31) / 32 * 4;
    ASSERT_GE(dib.PixelBytes(), stride * 5);
    const char* rows[] = {"FFFFF.", "F.....", "FFF...", "F.....", f.greenCorner ? "F....G" : "F....."};
    const RGBQUAD kColours[] = {{220, 50, 10, 0}, {10, 30, 200, 0}, {60, 180, 40, 0}};  // blue, red, green
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            // Decoded from the raw rows (bottom-up) and the table.
            const BYTE* row = dib.Pixels() + static_cast<std::size_t>(4 - y) * stride;
            const int perByte = std::max(8 / f.bits, 1), shift = 8 - f.bits * (x % perByte + 1);
            const RGBQUAD got = f.bits == 24 ? RGBQUAD{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0}
                                             : dib.Info()->bmiColors[(row[x / perByte] >> shift) & ((1 << f.bits) - 1)];
            const RGBQUAD want = kColours[std::string(".FG").find(rows[y][x])];
            EXPECT_TRUE(Same(got, want)) << x << "," << y;
        }
    }
    ExpectPaletteRule(dib, f.paletteRefusal);
    ExpectRoundTrip(dib, dir, f.bits == 8);
}

const char kNoTable[] = "is a 24-bit picture: its colours are not a palette";
INSTANTIATE_TEST_SUITE_P(
    Samples, SampleFile,
    testing::Values(Sample{"info1", 1, 2, 2, false, 0, nullptr}, Sample{"info4", 4, 16, 16, true, 37, nullptr},
                    Sample{"info4-netpbm", 4, 16, 0, true, 0, nullptr},
                    Sample{"info8-netpbm", 8, 256, 0, true, 0, nullptr}, Sample{"info24", 24, 0, 0, true, 0, kNoTable},
                    Sample{"core1", 1, 2, 0, false, 0, nullptr}, Sample{"core4", 4, 16, 0, true, 0, nullptr},
                    Sample{"core8-netpbm", 8, 256, 0, true, 37, nullptr},
                    Sample{"core24", 24, 0, 0, true, 37, kNoTable}),
    NameOf<Sample>);

// ---------------------------------------------------------------------------
// Made files: every header size, depth and compression, and size fields that
// understate, overstate or run past the file's end. A file is described by
// changes to a 6 x 5 8-bit file with a 40-byte header, 256 table entries
// (entry i is (i, 2i, 255 - i)) and 40 bytes of pixels (byte k is 7k + 1):
// h header size, b bits, c compression, u biClrUsed, t table entries, p pixel
// bytes, s bfSize, o bfOffBits, w width, y height, x the length it is cut to,
// m a wrong magic, n planes, z the header size field when it lies.
struct Layout {
    long long h = 40, b = 8, c = 0, u = 0, t = 256, p = 40, s = -1, o = -1, w = 6, y = 5, x = -1, m = 0, n = 1, z = -1;
};

Layout Parse(const char* changes) {
    Layout l;
    std::istringstream in(changes);
    for (char key; in >> key;) {
        long long value = 0;
        in >> value;
        long long* fields[] = {&l.h, &l.b, &l.c, &l.u, &l.t, &l.p, &l.s, &l.o, &l.w, &l.y, &l.x, &l.m, &l.n, &l.z};
        *fields[std::string("hbcutpsowyxmnz").find(key)] = value;
    }
    return l;
}

Bytes Build(const Layout& l) {
    const bool core = l.h == 12;
    const std::size_t entry = core ? 3 : 4, table = 14 + static_cast<std::size_t>(l.h);
    const std::size_t offBits = table + entry * static_cast<std::size_t>(l.t);
    Bytes b(offBits + static_cast<std::size_t>(l.p));
    const auto put = [&b](std::size_t at, long long v, int bytes) {
        for (int i = 0; i < bytes; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> 8 * i);
    };
    const int field = core ? 2 : 4;  // a core header's sizes are words
    put(0, l.m ? 0x414D : 0x4D42, 2);
    put(2, l.s >= 0 ? l.s : static_cast<long long>(b.size()), 4);
    put(10, l.o >= 0 ? l.o : static_cast<long long>(offBits), 4);
    put(14, l.z >= 0 ? l.z : l.h, 4);
    put(18, l.w, field);
    put(18 + field, l.y, field);
    put(18 + 2 * field, l.n, 2);
    put(20 + 2 * field, l.b, 2);
    if (!core) put(30, l.c, 4), put(46, l.u, 4);
    for (int i = 0; i < l.t; ++i)
        put(table + entry * static_cast<std::size_t>(i), (255 - i) << 16 | (2 * i & 255) << 8 | i, 3);
    for (long long k = 0; k < l.p; ++k)
        b[offBits + static_cast<std::size_t>(k)] = static_cast<unsigned char>(7 * k + 1);
    if (l.x >= 0) b.resize(static_cast<std::size_t>(l.x));
    return b;
}

struct Made {
    const char* name;
    const char* changes;
    int colors;           // table entries read
    std::size_t block;    // bytes of the pixel block: the data, zero-padded to 8-bit rows
    const char* refusal;  // "!" and the reader's reason, or the palette rule's; null when taken
};

class MadeFile : public testing::TestWithParam<Made> {};

TEST_P(MadeFile, ReadAndRule) {
    const Made& c = GetParam();
    const Layout l = Parse(c.changes);
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(3, 2));
    const BYTE* before = dib.Pixels();
    std::string why;
    const bool refused = c.refusal && c.refusal[0] == '!';
    const auto expectTable = [&c](const CDIB& read) {
        EXPECT_EQ(read.ColorCount(), c.colors);
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD want = i < c.colors ? RGBQUAD{BYTE(i), BYTE(2 * i), BYTE(255 - i), 0} : RGBQUAD{};
            ASSERT_TRUE(Same(read.Info()->bmiColors[i], want)) << "entry " << i;
        }
    };
    // A palette is read without pixels: only a picture too large to hold
    // is refused as a bitmap and taken as a table.
    const bool tooLarge = refused && std::string(c.refusal).find("not enough memory") != std::string::npos;
    CDIB table;
    ASSERT_EQ(ReadAsBitmap(table, Build(l), dir, 0, &why, true), !refused || tooLarge) << why;
    if (!refused || tooLarge) {
        expectTable(table);
        EXPECT_EQ(std::make_tuple(table.Pixels(), table.PixelBytes()), std::make_tuple(nullptr, std::size_t{0}));
        ExpectPaletteRule(table, tooLarge ? nullptr : c.refusal);
    }
    ASSERT_EQ(ReadAsBitmap(dib, Build(l), dir, 0, &why), !refused) << why;
    if (refused) {
        EXPECT_NE(why.find(c.refusal + 1), std::string::npos) << why;
        EXPECT_EQ(std::make_tuple(dib.Pixels(), dib.ImageWidth()), std::make_tuple(before, 3));  // kept
        return;
    }
    expectTable(dib);
    // The pixels start at bfOffBits, as far as the file goes.
    ASSERT_EQ(dib.PixelBytes(), c.block);
    const long long data = l.o >= 0 ? 0 : std::min(l.p, l.x < 0 ? l.p : l.x - 54 - 4 * l.t);
    for (long long k = 0; k < static_cast<long long>(c.block); ++k)
        ASSERT_EQ(dib.Pixels()[k], k < data ? static_cast<BYTE>(7 * k + 1) : 0) << "byte " << k;
    ExpectPaletteRule(dib, c.refusal);
    ExpectRoundTrip(dib, dir, l.b == 8 && l.y >= 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, MadeFile,
    testing::Values(
        Made{"Info8", "", 256, 40, nullptr}, Made{"Info1", "b1 t2 p20", 2, 40, nullptr},
        Made{"Info4", "b4 t16 p20", 16, 40, nullptr}, Made{"Info4Rle4", "b4 c2 t16 p7", 16, 40, nullptr},
        Made{"Info8Rle8", "c1 p9", 256, 40, nullptr},
        Made{"Info4Rle8", "b4 c1 t16", 16, 40, "RLE8 compression, which needs 8 bits"},
        Made{"Info8Rle4", "c2", 256, 40, "RLE4 compression, which needs 4 bits"},
        Made{"Info8Masks", "c3", 256, 40, "has colour masks"}, Made{"Info8Png", "c5", 256, 40, "uses compression 5"},
        Made{"Info2", "b2 t4 p20", 0, 40, "is a 2-bit picture, which"},
        // Colour masks where a table would be are not taken for a palette.
        Made{"Info16Masks", "b16 c3 u3 t3", 3, 40, "is a 16-bit picture: its colours are not"},
        Made{"Info24Table", "b24 u5 t5 p100", 5, 100, kNoTable},
        Made{"Info30000", "b30000 t0 p9", 0, 40, "is a 30000-bit picture, which"},
        Made{"Core1", "h12 b1 t2 p20", 2, 40, nullptr}, Made{"Core8", "h12", 256, 40, nullptr},
        Made{"Core24", "h12 b24 t0 p100", 0, 100, kNoTable}, Made{"ShortTable", "u3 t3", 3, 40, nullptr},
        Made{"Count300", "u300", 0, 0, "!claims 300 colours where 8 bits a pixel give at most 256"},
        Made{"Count201", "u201", 201, 40, nullptr}, Made{"Info1Count5", "b1 u5 t2 p20", 0, 0, "!claims 5 colours"},
        Made{"Count305402420", "u305402420", 0, 0, "!claims 305402420 colours"},
        Made{"Info24Count300", "b24 u300 p100", 256, 100, kNoTable},
        // bfSize understating the data, or claiming far more than the file holds.
        Made{"SizeBelowOffBits", "s54", 256, 40, nullptr}, Made{"SizeClaims4GiB", "s4294967295", 256, 40, nullptr},
        Made{"ShortPixelData", "p10", 256, 40, nullptr}, Made{"TruncatedPixels", "x1108", 256, 40, nullptr},
        Made{"PixelsPastTheEnd", "o5000", 256, 40, nullptr}, Made{"TopDown", "y-5", 256, 40, nullptr},
        Made{"NoWidth", "w0 p0", 256, 0, nullptr}, Made{"Empty", "x0", 0, 0, "!not a bitmap file"},
        Made{"MagicBA", "m1", 0, 0, "!not a bitmap file"}, Made{"Header108", "h108", 256, 40, nullptr},
        Made{"Header124Info4", "h124 b4 t16 p20", 16, 40, nullptr},
        Made{"Header64", "h64", 0, 0, "!64-byte header are not supported"},
        Made{"HeaderSizeBeyondTheFile", "z3000000000 x22", 0, 0, "!too short for its header"},
        // What no writer makes.
        Made{"Planes2", "n2", 0, 0, "!2 colour planes"}, Made{"CorePlanes0", "h12 n0", 0, 0, "!0 colour planes"},
        Made{"NegativeWidth", "w-6", 0, 0, "!negative width"},
        Made{"TopDownRle8", "c1 y-5 p9", 0, 0, "!top-down picture cannot be run-length"},
        Made{"ZeroByZero", "w0 y0 p0", 0, 0, "!0 x 0"}, Made{"Bytes17", "x17", 0, 0, "!too short for its header"},
        Made{"Bytes30", "x30", 0, 0, "!too short for its header"},
        Made{"CoreBytes25", "h12 x25", 0, 0, "!too short for its header"},
        Made{"TruncatedTable", "x456", 0, 0, "!too short for its colour table"},
        Made{"TruncatedCoreTable", "h12 x327", 0, 0, "!too short for its colour table"},
        // A few bytes that claim an image no memory holds.
        Made{"Exabytes", "w2147483647 y2147483647", 256, 0, "!not enough memory"}),
    NameOf<Made>);

// ---------------------------------------------------------------------------
// The writer.

TEST(Writer, HeaderAsHeldGreyRampAndRowsPaddedToFourBytes) {
    TempDir dir;
    CDIB dib;
    Bytes want = {'B', 'M', 0x36, 5,  0, 0, 0, 0,  0, 0, 0x36, 4, 0, 0, 40,
                  0,   0,   0,    16, 0, 0, 0, 16, 0, 0, 0,    1, 0, 8, 0};
    want.resize(54);
    for (int i = 0; i < 256; ++i) want.insert(want.end(), {BYTE(i), BYTE(i), BYTE(i), 0});
    want.resize(1334);
    EXPECT_EQ(ExpectRoundTrip(dib, dir, true), want);
    ASSERT_TRUE(dib.CreateBlank(5, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) *dib.PixelAddress(x, y) = static_cast<BYTE>(10 * y + x + 1);
    const Bytes b = ExpectRoundTrip(dib, dir, true);
    // Bottom row first, each 5 pixels and 3 bytes of padding.
    const Bytes rows = {21, 22, 23, 24, 25, 0, 0, 0, 11, 12, 13, 14, 15, 0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin() + 1078, b.end()), rows);
    ASSERT_TRUE(dib.CreateBlank(9, 0));
    EXPECT_EQ(ExpectRoundTrip(dib, dir, true).size(), 1078u);
}

TEST(Writer, FailedWriteIsReported) {
    TempDir dir;
    WriteBytes(dir.File("readonly.bmp"), Bytes{'x'});
    CFile file;
    ASSERT_TRUE(file.Open(dir.File("readonly.bmp").c_str(), CFile::modeRead));
    CDIB dib;
    EXPECT_FALSE(dib.WriteToFile(&file));
    EXPECT_THROW(dib.WriteBitmap(&file), CFileException);
}

// ---------------------------------------------------------------------------
// The picture record after a saved picture's bitmap.

PictureRecord SampleRecord(bool noise, bool map) {
    PictureRecord r;
    r.params = DefaultPictureParams();
    r.params.width = 5, r.params.height = 3, r.params.seed = 1234567, r.hasColorMap = map;
    r.params.rect.upperLeft.re = 4.9e-324;  // every bit pattern survives
    r.params.noise = noise ? 0.75 : -0.0;
    for (int i = 0; map && i <= r.params.iterations; ++i) r.colorMap.push_back((i * 37) % 256);
    return r;
}

// The picture file's bytes, empty when nothing was written.
Bytes WritePicture(const CDIB& dib, const PictureRecord& record, const TempDir& dir) {
    CFile file;
    EXPECT_TRUE(file.Open(dir.File("picture.bmp").c_str(), CFile::modeReadWrite | CFile::modeCreate));
    const bool written = WritePictureFile(&file, dib, record);
    EXPECT_EQ(written, file.GetLength() > 0);
    file.Close();
    return ReadBytes(dir.File("picture.bmp"));
}

RecordState FindRecord(const Bytes& bytes, const TempDir& dir, PictureRecord* record) {
    WriteBytes(dir.File("found.bmp"), bytes);
    CFile file;
    EXPECT_TRUE(file.Open(dir.File("found.bmp").c_str(), CFile::modeRead));
    const RecordState state = FindPictureRecord(&file, record);
    EXPECT_EQ(file.GetPosition(), 0u);
    return state;
}

TEST(PictureRecord, RoundTripsAfterTheUnchangedBitmap) {
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(5, 3));
    const Bytes bitmap = ExpectRoundTrip(dib, dir, true);
    for (bool noise : {false, true}) {
        for (bool map : {false, true}) {
            const PictureRecord record = SampleRecord(noise, map);
            const Bytes file = WritePicture(dib, record, dir);
            ASSERT_GT(file.size(), bitmap.size());
            EXPECT_TRUE(std::equal(bitmap.begin(), bitmap.end(), file.begin()));
            PictureRecord back;
            ASSERT_EQ(FindRecord(file, dir, &back), RecordState::Found);
            EXPECT_EQ(std::make_tuple(back.params.noise, back.params.seed, back.hasColorMap, back.colorMap),
                      std::make_tuple(noise ? 0.75 : 0.0, noise ? 1234567u : 0u, map, record.colorMap));
            EXPECT_EQ(std::memcmp(&back.params.rect, &record.params.rect, sizeof(SearchRect)), 0);
            // Saved again, byte for byte the same; without noise whatever the seed.
            back.params.seed = noise ? back.params.seed : 99;
            EXPECT_EQ(WritePicture(dib, back, dir), file);
        }
    }
}

TEST(PictureRecord, DamagedUnknownMissingAndUnwritableRecords) {
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(5, 3));
    const Bytes file = WritePicture(dib, SampleRecord(true, true), dir);
    // {byte from the end: in the body, length, checksum, version, magic; bits flipped; state}
    const std::tuple<std::size_t, unsigned char, RecordState> damages[] = {{30, 0x10, RecordState::Damaged},
                                                                           {18, 0x01, RecordState::Damaged},
                                                                           {12, 0x80, RecordState::Damaged},
                                                                           {10, 0x02, RecordState::UnknownVersion},
                                                                           {1, 0x20, RecordState::None}};
    PictureRecord record;
    for (const auto& [at, flip, state] : damages) {
        Bytes damaged = file;
        damaged[file.size() - at] ^= flip;
        EXPECT_EQ(FindRecord(damaged, dir, &record), state) << at;
    }
    EXPECT_EQ(FindRecord(Bytes(file.begin(), file.begin() + 1102), dir, &record), RecordState::None);
    EXPECT_EQ(FindRecord({}, dir, &record), RecordState::None);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int change = 0; change < 6; ++change) {
        PictureRecord r = SampleRecord(true, true);
        int* ints[] = {&r.params.width, &r.params.iterations, &r.colorMap[7]};
        if (change < 3) *ints[change] = change == 0 ? 6 : change == 2 ? 256 : 0;
        if (change == 3) r.params.noise = nan;
        if (change == 4) r.params.rect.lowerRight.im = -nan;
        if (change == 5) r.colorMap.clear();
        EXPECT_TRUE(WritePicture(dib, r, dir).empty()) << change;
    }
}

}  // namespace
