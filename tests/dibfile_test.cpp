// Bitmap files: what the reader makes of files other programs wrote and of
// damaged ones, and what the writer puts on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "core/base/globalmem.h"
#include "core/engine/setimage.h"
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

std::string DataFile(const std::string& name) {
    return std::string(TINDRAL_TEST_DATA) + "/" + name;
}

BOOL ReadPath(CDIB& dib, const std::string& path, std::uint64_t offset = 0) {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite)) return FALSE;
    file.Seek(offset);
    return dib.ReadFromFile(&file);
}

BOOL ReadBytesAsBitmap(CDIB& dib, const Bytes& bytes, const TempDir& dir, std::uint64_t offset = 0) {
    WriteBytes(dir.File("input.bmp"), bytes);
    return ReadPath(dib, dir.File("input.bmp"), offset);
}

// Only 8-bit bottom-up images are written; what is written reads back as the
// same image. Answers the file's bytes.
Bytes ExpectRoundTrip(CDIB& dib, const TempDir& dir, bool writable) {
    const std::string path = dir.File("output.bmp");
    BOOL written = !writable;
    {
        CFile file;
        EXPECT_TRUE(file.Open(path.c_str(), CFile::modeReadWrite | CFile::modeCreate | CFile::shareExclusive));
        written = dib.WriteToFile(&file);
    }
    const Bytes b = ReadBytes(path);
    EXPECT_EQ(written != FALSE, writable);
    EXPECT_EQ(b.empty(), !writable);
    if (!writable || !written) return b;
    const std::size_t rows = RowStride(dib.ImageWidth()) * static_cast<std::size_t>(dib.ImageHeight());
    EXPECT_EQ(b.size(), 1078 + rows);
    CDIB back;
    EXPECT_TRUE(ReadPath(back, path));
    EXPECT_EQ(std::memcmp(back.Info(), dib.Info(), kInfoBlockBytes), 0);
    EXPECT_EQ(Bytes(back.Pixels(), back.Pixels() + back.PixelBytes()), Bytes(dib.Pixels(), dib.Pixels() + rows));
    return b;
}

DWORD Dword(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<DWORD>(b[at + 3]) << 24;
}
void PutDword(Bytes& b, std::size_t at, DWORD v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> 8 * i);
}

bool Same(const RGBQUAD& a, const RGBQUAD& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
constexpr RGBQUAD kRed{10, 30, 200, 0}, kGreen{60, 180, 40, 0}, kBlue{220, 50, 10, 0};

// A bitmap file laid out field by field; every field can be set wrong.
struct FileLayout {
    char magic[2] = {'B', 'M'};
    DWORD headerSize = 40;
    LONG width = 6, height = 5;
    WORD bits = 8;
    DWORD clrUsed = 0;
    int tableEntries = 256;
    std::size_t pixelBytes = 40;
    long long fileSize = -1, offBits = -1;  // -1: as laid out
    DWORD reserved = 0;
};
using L = FileLayout;

// Table entry i of a built file; pixel byte k is 7k + 1.
RGBQUAD Entry(int i) {
    return RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(2 * i), static_cast<BYTE>(255 - i), 0};
}

Bytes Build(const std::function<void(FileLayout&)>& change, std::size_t cut = SIZE_MAX) {
    FileLayout l;
    change(l);
    const std::size_t offBits = 54 + 4 * static_cast<std::size_t>(l.tableEntries);
    Bytes b(offBits + l.pixelBytes);
    b[0] = static_cast<unsigned char>(l.magic[0]);
    b[1] = static_cast<unsigned char>(l.magic[1]);
    PutDword(b, 2, static_cast<DWORD>(l.fileSize >= 0 ? l.fileSize : static_cast<long long>(b.size())));
    PutDword(b, 6, l.reserved);
    PutDword(b, 10, static_cast<DWORD>(l.offBits >= 0 ? l.offBits : static_cast<long long>(offBits)));
    PutDword(b, 14, l.headerSize);
    PutDword(b, 18, static_cast<DWORD>(l.width));
    PutDword(b, 22, static_cast<DWORD>(l.height));
    PutDword(b, 26, 1, 2);
    PutDword(b, 28, l.bits, 2);
    PutDword(b, 46, l.clrUsed);
    for (int i = 0; i < l.tableEntries; ++i) {
        const RGBQUAD entry = Entry(i);
        std::memcpy(&b[54 + 4 * static_cast<std::size_t>(i)], &entry, 4);
    }
    for (std::size_t k = 0; k < l.pixelBytes; ++k) b[offBits + k] = static_cast<unsigned char>(7 * k + 1);
    if (cut < b.size()) b.resize(cut);
    return b;
}

template <class Param>
std::string CaseName(const testing::TestParamInfo<Param>& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

// ---------------------------------------------------------------------------
// Files written by other programs (tests/data/README.md says how): a 6 x 5 F
// of red on blue, green in the bottom-right corner of the three-colour picture.
// Some are read after other bytes, as from the middle of a document file.

struct SampleFile {
    const char* name;
    WORD bits;
    int colors;
    DWORD clrUsed;
    bool greenCorner;
    std::size_t offset;
};

class ReaderSampleFileTest : public testing::TestWithParam<SampleFile> {};

// Pixel (x, y) decoded from the raw rows (padded to 4 bytes, bottom-up) and the table.
RGBQUAD PixelColor(const CDIB& dib, int x, int y) {
    const int bits = dib.Info()->bmiHeader.biBitCount;
    const BYTE* row = dib.Pixels() + static_cast<std::size_t>(4 - y) * ((6u * bits + 31) / 32 * 4);
    if (bits == 24) return RGBQUAD{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    const int perByte = 8 / bits, shift = 8 - bits * (x % perByte + 1);
    return dib.Info()->bmiColors[(row[x / perByte] >> shift) & ((1 << bits) - 1)];
}

TEST_P(ReaderSampleFileTest, ReadsPictureExactly) {
    const SampleFile& f = GetParam();
    TempDir dir;
    Bytes file(f.offset, 'x');
    const Bytes bitmap = ReadBytes(DataFile(f.name));
    file.insert(file.end(), bitmap.begin(), bitmap.end());
    CDIB dib;
    ASSERT_TRUE(ReadBytesAsBitmap(dib, file, dir, f.offset));
    const BITMAPINFOHEADER& h = dib.Info()->bmiHeader;
    EXPECT_EQ(std::tie(h.biSize, h.biWidth, h.biHeight, h.biPlanes, h.biBitCount, h.biClrUsed),
              std::make_tuple(DWORD{40}, LONG{6}, LONG{5}, WORD{1}, f.bits, f.clrUsed));
    if (f.name[0] == 'c') {
        EXPECT_EQ(h.biCompression | h.biSizeImage | h.biClrImportant, 0u);
    }
    EXPECT_EQ(dib.ColorCount(), f.colors);
    for (int i = f.colors; i < 256; ++i) EXPECT_TRUE(Same(dib.Info()->bmiColors[i], RGBQUAD{})) << "entry " << i;
    ASSERT_GE(dib.PixelBytes(), (6u * f.bits + 31) / 32 * 4 * 5);
    const char* rows[] = {"FFFFF.", "F.....", "FFF...", "F.....", f.greenCorner ? "F....G" : "F....."};
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            const RGBQUAD want = rows[y][x] == 'F' ? kRed : rows[y][x] == 'G' ? kGreen : kBlue;
            EXPECT_TRUE(Same(PixelColor(dib, x, y), want)) << x << "," << y;
        }
    }
    ExpectRoundTrip(dib, dir, f.bits == 8);
}

INSTANTIATE_TEST_SUITE_P(
    OtherPrograms, ReaderSampleFileTest,
    testing::Values(SampleFile{"info1.bmp", 1, 2, 2, false, 0}, SampleFile{"info4.bmp", 4, 16, 16, true, 37},
                    SampleFile{"info4-netpbm.bmp", 4, 16, 0, true, 0},
                    SampleFile{"info8-netpbm.bmp", 8, 256, 0, true, 0}, SampleFile{"info24.bmp", 24, 0, 0, true, 0},
                    SampleFile{"core4.bmp", 4, 16, 0, true, 0}, SampleFile{"core8-netpbm.bmp", 8, 256, 0, true, 37},
                    SampleFile{"core24.bmp", 24, 0, 0, true, 37}),
    CaseName<SampleFile>);

TEST(ReaderCompressed, Rle8DataIsKeptAndPaddedToEveryRow) {
    const Bytes file = ReadBytes(DataFile("info8-rle.bmp"));
    const DWORD offBits = Dword(file, 10);
    const std::size_t dataBytes = Dword(file, 2) - offBits;
    ASSERT_LT(dataBytes, 24u * 20u);
    CDIB dib;
    ASSERT_TRUE(ReadPath(dib, DataFile("info8-rle.bmp")));
    EXPECT_EQ(dib.Info()->bmiHeader.biCompression, 1u);
    EXPECT_EQ(dib.ColorCount(), 256);
    ASSERT_EQ(dib.PixelBytes(), 24u * 20u);
    EXPECT_EQ(std::memcmp(dib.Pixels(), file.data() + offBits, dataBytes), 0);
    for (std::size_t i = dataBytes; i < dib.PixelBytes(); ++i) ASSERT_EQ(dib.Pixels()[i], 0) << "byte " << i;
    EXPECT_EQ(dib.PixelAddress(0, 0), dib.Pixels() + 19 * 24);
}

// ---------------------------------------------------------------------------
// Unusual but sound files: tables cut to 256 entries, pixels padded with zeros.

struct BuiltCase {
    const char* name;
    std::function<void(FileLayout&)> change;
    int colors;
    std::size_t pixelBytes;
};

class ReaderBuiltFileTest : public testing::TestWithParam<BuiltCase> {};

TEST_P(ReaderBuiltFileTest, ReadAsStoredAndPadded) {
    const BuiltCase& c = GetParam();
    FileLayout l;
    c.change(l);
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(ReadBytesAsBitmap(dib, Build(c.change), dir));
    EXPECT_EQ(dib.ColorCount(), c.colors);
    EXPECT_TRUE(Same(dib.Info()->bmiColors[c.colors - 1], Entry(c.colors - 1)));
    for (int i = c.colors; i < 256; ++i) EXPECT_TRUE(Same(dib.Info()->bmiColors[i], RGBQUAD{})) << "entry " << i;
    // The pixels start at bfOffBits, whatever the table's length.
    ASSERT_EQ(dib.PixelBytes(), c.pixelBytes);
    for (std::size_t k = 0; k < c.pixelBytes; ++k)
        ASSERT_EQ(dib.Pixels()[k], k < l.pixelBytes ? static_cast<BYTE>(7 * k + 1) : 0) << "byte " << k;
    // Top-down images are kept but never addressed nor written.
    EXPECT_EQ(dib.PixelAddress(5, 4) != nullptr, l.height > 0);
    ExpectRoundTrip(dib, dir, l.bits == 8 && l.height > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderBuiltFileTest,
    testing::Values(
        BuiltCase{"ShortColorTable", [](L& l) { l.clrUsed = 3, l.tableEntries = 3; }, 3, 40},
        BuiltCase{"ReservedFieldsIgnored", [](L& l) { l.reserved = 0xDEADBEEF; }, 256, 40},
        BuiltCase{"Count300", [](L& l) { l.clrUsed = 300, l.pixelBytes = 100; }, 256, 100},
        BuiltCase{"Bits24Count257", [](L& l) { l.bits = 24, l.clrUsed = 257, l.pixelBytes = 100; }, 256, 100},
        BuiltCase{"Bits32Count1e5", [](L& l) { l.bits = 32, l.clrUsed = 100000, l.pixelBytes = 100; }, 256, 100},
        BuiltCase{"Bits16CountMax", [](L& l) { l.bits = 16, l.clrUsed = ~0u, l.pixelBytes = 100; }, 256, 100},
        BuiltCase{"ShortPixelData", [](L& l) { l.pixelBytes = 10; }, 256, 40},
        BuiltCase{"NoPixelData", [](L& l) { l.pixelBytes = 0; }, 256, 40},
        BuiltCase{"TopDown", [](L& l) { l.height = -5; }, 256, 40}),
    CaseName<BuiltCase>);

// ---------------------------------------------------------------------------
// Damaged files are refused, and the image read before stays as it was.

struct MalformedCase {
    const char* name;
    Bytes file;
};

class ReaderMalformedTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(ReaderMalformedTest, RefusedAndPreviousImageKept) {
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(3, 2));
    *dib.PixelAddress(1, 1) = 9;
    dib.Info()->bmiColors[9] = RGBQUAD{1, 2, 3, 0};
    const BITMAPINFO* info = dib.Info();
    const BYTE* pixels = dib.Pixels();
    EXPECT_FALSE(ReadBytesAsBitmap(dib, GetParam().file, dir));
    EXPECT_EQ(std::make_tuple(dib.Info(), dib.Pixels(), dib.ImageWidth(), dib.ImageHeight(), dib.PixelBytes()),
              std::make_tuple(info, pixels, 3, 2, std::size_t{8}));
    EXPECT_EQ(*dib.PixelAddress(1, 1), 9);
    EXPECT_TRUE(Same(dib.Info()->bmiColors[9], RGBQUAD{1, 2, 3, 0}));
}

Bytes Cut(const char* sample, std::size_t size) {
    Bytes b = ReadBytes(DataFile(sample));
    b.resize(std::min(b.size(), size));
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderMalformedTest,
    testing::Values(MalformedCase{"Empty", {}}, MalformedCase{"MagicBA", Build([](L& l) { l.magic[1] = 'A'; })},
                    MalformedCase{"MagicMB", Build([](L& l) { l.magic[0] = 'M', l.magic[1] = 'B'; })},
                    MalformedCase{"HeaderSize108", Build([](L& l) { l.headerSize = 108; })},
                    MalformedCase{"HeaderSize0", Build([](L& l) { l.headerSize = 0; })},
                    MalformedCase{"FiftyThreeBytes", Build([](L&) {}, 53)},
                    // Complete, but shorter than the reader's first read of a header.
                    MalformedCase{"Core1Sample", Cut("core1.bmp", SIZE_MAX)},
                    MalformedCase{"FileSizeBelowOffBits", Build([](L& l) { l.fileSize = 1077; })},
                    MalformedCase{"TruncatedColorTable", Build([](L&) {}, 54 + 4 * 100 + 2)},
                    MalformedCase{"TruncatedCoreTable", Cut("core8-netpbm.bmp", 26 + 3 * 100 + 1)},
                    MalformedCase{"TruncatedPixels", Build([](L&) {}, 1078 + 39)},
                    MalformedCase{"PixelsPastTheEnd", Build([](L& l) { l.offBits = 5000, l.fileSize = 5040; })},
                    // A few bytes that claim gigabytes of pixel data, or an image no memory holds.
                    MalformedCase{"FileSizeClaims4GiB", Build([](L& l) { l.fileSize = 0xFFFFFFFF; })},
                    MalformedCase{"ImageClaimsExabytes",
                                  Build([](L& l) { l.width = l.height = 0x7FFFFFFF, l.pixelBytes = 0; })}),
    CaseName<MalformedCase>);

TEST(ReaderReplace, ReadingOverAttachedImageLeavesCallersBlock) {
    std::vector<BYTE> info(kInfoBlockBytes);
    reinterpret_cast<BITMAPINFO*>(info.data())->bmiHeader = BITMAPINFOHEADER{40, 4, 2, 1, 8, 0, 0, 0, 0, 0, 0};
    std::vector<BYTE> pixels(8, 6);
    CDIB dib;
    ASSERT_TRUE(dib.AttachPixels(reinterpret_cast<const BITMAPINFO*>(info.data()), pixels.data()));
    ASSERT_TRUE(ReadPath(dib, DataFile("info8-netpbm.bmp")));
    EXPECT_TRUE(dib.OwnsPixels());
    EXPECT_EQ(pixels, std::vector<BYTE>(8, 6));
}

// ---------------------------------------------------------------------------
// The writer.

TEST(Writer, BlankImageIsHeaderGreyRampAndZeros) {
    TempDir dir;
    CDIB dib;
    // The header exactly as held: nothing recomputed.
    Bytes want = {'B', 'M', 0x36, 5,  0, 0, 0, 0,  0, 0, 0x36, 4, 0, 0, 40,
                  0,   0,   0,    16, 0, 0, 0, 16, 0, 0, 0,    1, 0, 8, 0};
    want.resize(54);
    for (int i = 0; i < 256; ++i) want.insert(want.end(), {BYTE(i), BYTE(i), BYTE(i), 0});
    want.resize(1334);
    EXPECT_EQ(ExpectRoundTrip(dib, dir, true), want);
}

TEST(Writer, RowsArePaddedToFourBytesThroughTheArchive) {
    TempDir dir;
    const std::string path = dir.File("archive.bmp");
    CDIB dib, back;
    ASSERT_TRUE(dib.CreateBlank(5, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) *dib.PixelAddress(x, y) = static_cast<BYTE>(10 * y + x + 1);
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeReadWrite | CFile::modeCreate));
        CArchive ar(&file, CArchive::store);
        dib.Serialize(ar);
    }
    const Bytes b = ReadBytes(path);
    ASSERT_EQ(b.size(), 1102u);
    EXPECT_EQ(Dword(b, 2), 1102u);
    // Bottom row first, each 5 pixels and 3 bytes of padding.
    const Bytes rows = {21, 22, 23, 24, 25, 0, 0, 0, 11, 12, 13, 14, 15, 0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin() + 1078, b.end()), rows);
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    CArchive ar(&file, CArchive::load);
    back.Serialize(ar);
    ASSERT_EQ(back.ImageWidth(), 5);
    EXPECT_EQ(std::memcmp(back.Pixels(), dib.Pixels(), 24), 0);
}

TEST(Writer, ImageWithoutRowsRoundTrips) {
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(9, 0));
    ExpectRoundTrip(dib, dir, true);
}

// A picture as the set document builds it: its own header fields survive.
TEST(Writer, PictureHeaderRoundTrips) {
    TempDir dir;
    PaletteEntries palette;
    for (int i = 0; i < 256; ++i) palette.push_back(PALETTEENTRY{static_cast<BYTE>(i), 0, static_cast<BYTE>(~i), 0});
    BITMAPINFO* header = BuildColorHeader(7, 3, palette);
    ASSERT_NE(header, nullptr);
    std::vector<BYTE> pixels(24);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(i * 11);
    CDIB dib;
    const BOOL attached = dib.AttachPixels(header, pixels.data());
    GlobalRelease(header);
    ASSERT_TRUE(attached);
    ExpectRoundTrip(dib, dir, true);
}

TEST(Writer, FailedWriteIsReported) {
    TempDir dir;
    WriteBytes(dir.File("readonly.bmp"), Bytes{'x'});
    CFile file;
    ASSERT_TRUE(file.Open(dir.File("readonly.bmp").c_str(), CFile::modeRead));
    CDIB dib;
    EXPECT_FALSE(dib.WriteToFile(&file));
}

}  // namespace

// ---------------------------------------------------------------------------
// The picture record after the bitmap's bytes.

#include "core/engine/record.h"

namespace {

PictureRecord SampleRecord(bool noise, bool map) {
    PictureRecord r;
    r.params = DefaultPictureParams();
    r.params.width = 5;
    r.params.height = 3;
    r.params.rect.upperLeft.re = 4.9e-324;  // bit patterns of every kind survive
    r.params.exponent = -2.5;
    r.params.noise = noise ? 0.75 : -0.0;
    r.params.seed = 1234567;
    r.hasColorMap = map;
    if (map)
        for (int i = 0; i <= r.params.iterations; ++i) r.colorMap.push_back((i * 37) % 256);
    return r;
}

Bytes WritePicture(const CDIB& dib, const PictureRecord& record, const TempDir& dir, bool* written) {
    const std::string path = dir.File("picture.bmp");
    {
        CFile file;
        EXPECT_TRUE(file.Open(path.c_str(), CFile::modeReadWrite | CFile::modeCreate));
        *written = WritePictureFile(&file, dib, record);
    }
    return ReadBytes(path);
}

RecordState FindRecord(const Bytes& bytes, const TempDir& dir, PictureRecord* record) {
    WriteBytes(dir.File("found.bmp"), bytes);
    CFile file;
    EXPECT_TRUE(file.Open(dir.File("found.bmp").c_str(), CFile::modeRead));
    return FindPictureRecord(&file, record);
}

TEST(PictureRecord, RoundTripsAfterTheUnchangedBitmap) {
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(5, 3));
    const Bytes bitmap = ExpectRoundTrip(dib, dir, true);
    for (bool noise : {false, true}) {
        for (bool map : {false, true}) {
            const PictureRecord record = SampleRecord(noise, map);
            bool written = false;
            const Bytes file = WritePicture(dib, record, dir, &written);
            ASSERT_TRUE(written);
            ASSERT_GT(file.size(), bitmap.size());
            EXPECT_TRUE(std::equal(bitmap.begin(), bitmap.end(), file.begin()));
            PictureRecord back;
            ASSERT_EQ(FindRecord(file, dir, &back), RecordState::Found);
            EXPECT_EQ(back.params.seed, noise ? 1234567u : 0u);
            EXPECT_EQ(back.colorMap, record.colorMap);
            bool again = false;
            EXPECT_EQ(WritePicture(dib, back, dir, &again), file);
        }
    }
}

}  // namespace
