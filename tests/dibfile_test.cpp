// Bitmap files: what the reader makes of files other programs wrote and of
// damaged ones, and what the writer puts on disk.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/setimage.h"
#include "image/dib.h"
#include "platform/globalmem.h"
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
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite)) {
        ADD_FAILURE() << "cannot open " << path;
        return FALSE;
    }
    file.Seek(offset);
    return dib.ReadFromFile(&file);
}

BOOL ReadBytesAsBitmap(CDIB& dib, const Bytes& bytes, const TempDir& dir) {
    const std::string path = dir.File("input.bmp");
    WriteBytes(path, bytes);
    return ReadPath(dib, path);
}

// Writes dib to a new file and answers the file's bytes (empty when nothing was written).
Bytes WrittenBytes(CDIB& dib, const TempDir& dir, BOOL* result) {
    const std::string path = dir.File("output.bmp");
    {
        CFile file;
        EXPECT_TRUE(file.Open(path.c_str(), CFile::modeReadWrite | CFile::modeCreate | CFile::shareExclusive));
        *result = dib.WriteToFile(&file);
        file.Close();
    }
    return ReadBytes(path);
}

DWORD Dword(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<DWORD>(b[at + 3]) << 24;
}
void PutWord(Bytes& b, std::size_t at, DWORD v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void PutDword(Bytes& b, std::size_t at, DWORD v) {
    PutWord(b, at, v & 0xFFFF);
    PutWord(b, at + 2, v >> 16);
}

// A bitmap file laid out field by field; every field can be set wrong.
struct FileSpec {
    char magic[2] = {'B', 'M'};
    DWORD headerSize = 40;  // 12 writes a core header
    LONG width = 6, height = 5;
    WORD bits = 8;
    DWORD compression = 0;
    DWORD clrUsed = 0;
    int tableEntries = 256;
    std::size_t pixelBytes = 40;
    long long fileSize = -1, offBits = -1;  // -1: as laid out
    DWORD reserved = 0;
};

// Table entry i is (blue i, green 2i, red 255 - i); pixel byte k is 7k + 1.
Bytes Build(const FileSpec& s) {
    const bool core = s.headerSize == 12;
    const std::size_t entryBytes = core ? 3 : 4;
    const std::size_t headerBytes = core ? 12 : 40;
    const std::size_t offBits = 14 + headerBytes + entryBytes * static_cast<std::size_t>(s.tableEntries);
    Bytes b(offBits + s.pixelBytes);
    b[0] = static_cast<unsigned char>(s.magic[0]);
    b[1] = static_cast<unsigned char>(s.magic[1]);
    PutDword(b, 2, static_cast<DWORD>(s.fileSize >= 0 ? s.fileSize : static_cast<long long>(b.size())));
    PutDword(b, 6, s.reserved);
    PutDword(b, 10, static_cast<DWORD>(s.offBits >= 0 ? s.offBits : static_cast<long long>(offBits)));
    PutDword(b, 14, s.headerSize);
    if (core) {
        PutWord(b, 18, static_cast<DWORD>(s.width));
        PutWord(b, 20, static_cast<DWORD>(s.height));
        PutWord(b, 22, 1);
        PutWord(b, 24, s.bits);
    } else {
        PutDword(b, 18, static_cast<DWORD>(s.width));
        PutDword(b, 22, static_cast<DWORD>(s.height));
        PutWord(b, 26, 1);
        PutWord(b, 28, s.bits);
        PutDword(b, 30, s.compression);
        PutDword(b, 46, s.clrUsed);
    }
    for (int i = 0; i < s.tableEntries; ++i) {
        const std::size_t at = 14 + headerBytes + entryBytes * static_cast<std::size_t>(i);
        b[at] = static_cast<unsigned char>(i);
        b[at + 1] = static_cast<unsigned char>(2 * i);
        b[at + 2] = static_cast<unsigned char>(255 - i);
    }
    for (std::size_t k = 0; k < s.pixelBytes; ++k) b[offBits + k] = static_cast<unsigned char>(7 * k + 1);
    return b;
}

Bytes Truncated(Bytes b, std::size_t size) {
    b.resize(size);
    return b;
}

bool SameColor(const RGBQUAD& c, int red, int green, int blue) {
    return c.rgbRed == red && c.rgbGreen == green && c.rgbBlue == blue && c.rgbReserved == 0;
}

// ---------------------------------------------------------------------------
// Files written by other programs (tests/data/README.md says how).

struct ProgramFile {
    const char* name;
    bool core;
    WORD bits;
    int colors;
    DWORD clrUsed;
    bool greenCorner;  // the three-colour picture
};

class ReaderProgramFileTest : public testing::TestWithParam<ProgramFile> {};

// The colour of pixel (x, y) of the 6 x 5 picture, decoded from the raw rows
// (each padded to 4 bytes, bottom-up) and the colour table.
RGBQUAD PixelColor(const CDIB& dib, int x, int y) {
    const int bits = dib.Info()->bmiHeader.biBitCount;
    const std::size_t stride = (static_cast<std::size_t>(6 * bits) + 31) / 32 * 4;
    const BYTE* row = dib.Pixels() + static_cast<std::size_t>(4 - y) * stride;
    if (bits == 24) return RGBQUAD{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (x % perByte + 1);
    return dib.Info()->bmiColors[(row[x / perByte] >> shift) & ((1 << bits) - 1)];
}

TEST_P(ReaderProgramFileTest, ReadsPictureExactly) {
    const ProgramFile& f = GetParam();
    CDIB dib;
    ASSERT_TRUE(ReadPath(dib, DataFile(f.name)));
    const BITMAPINFOHEADER& h = dib.Info()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(dib.ImageWidth(), 6);
    EXPECT_EQ(dib.ImageHeight(), 5);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, f.bits);
    EXPECT_EQ(h.biClrUsed, f.clrUsed);
    if (f.core) {
        EXPECT_EQ(h.biCompression | h.biSizeImage | h.biClrImportant, 0u);
        EXPECT_EQ(h.biXPelsPerMeter | h.biYPelsPerMeter, 0);
    }
    EXPECT_EQ(dib.ColorCount(), f.colors);
    for (int i = f.colors; i < 256; ++i)
        EXPECT_TRUE(SameColor(dib.Info()->bmiColors[i], 0, 0, 0)) << "entry " << i << " past the table";
    ASSERT_GE(dib.PixelBytes(), (static_cast<std::size_t>(6 * f.bits) + 31) / 32 * 4 * 5);

    // The picture: an F of red on blue, green in the bottom-right corner.
    const char* rows[] = {"FFFFF.", "F.....", "FFF...", "F.....", "F....G"};
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            const char kind = rows[y][x] == 'G' && !f.greenCorner ? '.' : rows[y][x];
            const RGBQUAD c = PixelColor(dib, x, y);
            if (kind == 'F')
                EXPECT_TRUE(SameColor(c, 200, 30, 10)) << "red at " << x << "," << y;
            else if (kind == 'G')
                EXPECT_TRUE(SameColor(c, 40, 180, 60)) << "green at " << x << "," << y;
            else
                EXPECT_TRUE(SameColor(c, 10, 50, 220)) << "blue at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(OtherPrograms, ReaderProgramFileTest,
                         testing::Values(ProgramFile{"info1.bmp", false, 1, 2, 2, false},
                                         ProgramFile{"info4.bmp", false, 4, 16, 16, true},
                                         ProgramFile{"info4-netpbm.bmp", false, 4, 16, 0, true},
                                         ProgramFile{"info8-netpbm.bmp", false, 8, 256, 0, true},
                                         ProgramFile{"info24.bmp", false, 24, 0, 0, true},
                                         ProgramFile{"core4.bmp", true, 4, 16, 0, true},
                                         ProgramFile{"core8-netpbm.bmp", true, 8, 256, 0, true},
                                         ProgramFile{"core24.bmp", true, 24, 0, 0, true}),
                         [](const testing::TestParamInfo<ProgramFile>& param) {
                             std::string name = param.param.name;
                             name = name.substr(0, name.find('.'));
                             for (char& ch : name)
                                 if (ch == '-') ch = '_';
                             return name;
                         });

TEST(ReaderCoreHeader, FileOfFewerThan54BytesIsRefusedThoughComplete) {
    // 14 + 12 + 2 x 3 + 5 rows of 4 bytes: 52 bytes, the whole picture.
    CDIB dib;
    EXPECT_FALSE(ReadPath(dib, DataFile("core1.bmp")));
    EXPECT_EQ(dib.ImageWidth(), 16);
}

TEST(ReaderCompressed, Rle8FileKeepsItsBytesAndGivesItsPalette) {
    const Bytes file = ReadBytes(DataFile("info8-rle.bmp"));
    const DWORD offBits = Dword(file, 10);
    const std::size_t dataBytes = Dword(file, 2) - offBits;
    ASSERT_LT(dataBytes, 24u * 20u) << "the compressed data should be shorter than the rows";
    CDIB dib;
    ASSERT_TRUE(ReadPath(dib, DataFile("info8-rle.bmp")));
    EXPECT_EQ(dib.Info()->bmiHeader.biCompression, 1u);
    EXPECT_EQ(dib.ColorCount(), 256);
    bool red = false, green = false, blue = false;
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& c = dib.Info()->bmiColors[i];
        red = red || SameColor(c, 200, 30, 10);
        green = green || SameColor(c, 40, 180, 60);
        blue = blue || SameColor(c, 10, 50, 220);
    }
    EXPECT_TRUE(red && green && blue);
    // The data as stored, then zeros up to every row of the image.
    ASSERT_EQ(dib.PixelBytes(), 24u * 20u);
    EXPECT_EQ(std::memcmp(dib.Pixels(), file.data() + offBits, dataBytes), 0);
    for (std::size_t i = dataBytes; i < dib.PixelBytes(); ++i) ASSERT_EQ(dib.Pixels()[i], 0) << "byte " << i;
    EXPECT_NE(dib.PixelAddress(0, 0), nullptr);
    EXPECT_EQ(dib.PixelAddress(0, 0), dib.Pixels() + 19 * 24);
}

class ReaderOffsetTest : public testing::TestWithParam<const char*> {};

TEST_P(ReaderOffsetTest, FileHeaderPastTheStartOfTheFile) {
    TempDir dir;
    const Bytes bitmap = ReadBytes(DataFile(GetParam()));
    const std::string prefix = "37 bytes of something else entirely.";
    Bytes file(prefix.begin(), prefix.end());
    file.push_back('\n');
    ASSERT_EQ(file.size(), 37u);
    file.insert(file.end(), bitmap.begin(), bitmap.end());
    const std::string path = dir.File("embedded.bmp");
    WriteBytes(path, file);

    CDIB direct, embedded;
    ASSERT_TRUE(ReadPath(direct, DataFile(GetParam())));
    ASSERT_TRUE(ReadPath(embedded, path, 37));
    EXPECT_EQ(std::memcmp(direct.Info(), embedded.Info(), kInfoBlockBytes), 0);
    ASSERT_EQ(direct.PixelBytes(), embedded.PixelBytes());
    EXPECT_EQ(std::memcmp(direct.Pixels(), embedded.Pixels(), direct.PixelBytes()), 0);
}

INSTANTIATE_TEST_SUITE_P(Files, ReaderOffsetTest,
                         testing::Values("info4.bmp", "core8-netpbm.bmp", "core24.bmp", "info8-rle.bmp"));

// ---------------------------------------------------------------------------
// Files built here: unusual but sound ones are read, with their damage mended.

TEST(ReaderBuiltFile, ShortColorTableIsReadAsStored) {
    TempDir dir;
    FileSpec spec;
    spec.clrUsed = 3;
    spec.tableEntries = 3;
    CDIB dib;
    ASSERT_TRUE(ReadBytesAsBitmap(dib, Build(spec), dir));
    EXPECT_EQ(dib.ColorCount(), 3);
    EXPECT_TRUE(SameColor(dib.Info()->bmiColors[2], 253, 4, 2));
    for (int i = 3; i < 256; ++i) EXPECT_TRUE(SameColor(dib.Info()->bmiColors[i], 0, 0, 0)) << "entry " << i;
    // The pixels come from bfOffBits, right after the three entries.
    EXPECT_EQ(dib.Pixels()[0], 1);
    EXPECT_EQ(dib.Pixels()[39], static_cast<BYTE>(7 * 39 + 1));
}

TEST(ReaderBuiltFile, ReservedFieldsAreIgnored) {
    TempDir dir;
    FileSpec spec;
    spec.reserved = 0xDEADBEEF;
    CDIB dib;
    EXPECT_TRUE(ReadBytesAsBitmap(dib, Build(spec), dir));
}

struct CountCase {
    WORD bits;
    DWORD clrUsed;
};

class ReaderColorCountTest : public testing::TestWithParam<CountCase> {};

TEST_P(ReaderColorCountTest, CountAbove256IsCutToTheBlock) {
    TempDir dir;
    FileSpec spec;
    spec.bits = GetParam().bits;
    spec.clrUsed = GetParam().clrUsed;
    spec.pixelBytes = 100;
    CDIB dib;
    ASSERT_TRUE(ReadBytesAsBitmap(dib, Build(spec), dir));
    EXPECT_EQ(dib.ColorCount(), 256);
    EXPECT_TRUE(SameColor(dib.Info()->bmiColors[255], 0, 254, 255));
    // The pixels still start where bfOffBits says, after 256 entries.
    EXPECT_EQ(dib.Pixels()[1], 8);
}

INSTANTIATE_TEST_SUITE_P(Counts, ReaderColorCountTest,
                         testing::Values(CountCase{8, 300}, CountCase{24, 257}, CountCase{32, 100000},
                                         CountCase{16, 0xFFFFFFFF}));

TEST(ReaderBuiltFile, ShortPixelDataIsPaddedWithZeros) {
    TempDir dir;
    FileSpec spec;
    spec.pixelBytes = 10;
    CDIB dib;
    ASSERT_TRUE(ReadBytesAsBitmap(dib, Build(spec), dir));
    ASSERT_EQ(dib.PixelBytes(), 40u);
    EXPECT_EQ(dib.Pixels()[9], static_cast<BYTE>(7 * 9 + 1));
    for (std::size_t i = 10; i < 40; ++i) EXPECT_EQ(dib.Pixels()[i], 0) << "byte " << i;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_NE(dib.PixelAddress(x, y), nullptr);
    // Every row is there, so the image can be written whole.
    BOOL written = FALSE;
    EXPECT_EQ(WrittenBytes(dib, dir, &written).size(), 1078u + 40u);
    EXPECT_TRUE(written);
}

TEST(ReaderBuiltFile, NoPixelDataAtAll) {
    TempDir dir;
    FileSpec spec;
    spec.pixelBytes = 0;
    CDIB dib;
    ASSERT_TRUE(ReadBytesAsBitmap(dib, Build(spec), dir));
    ASSERT_EQ(dib.PixelBytes(), 40u);
    EXPECT_EQ(*dib.PixelAddress(5, 4), 0);
}

TEST(ReaderBuiltFile, TopDownImageIsKeptButNeverAddressed) {
    TempDir dir;
    FileSpec spec;
    spec.height = -5;
    CDIB dib;
    ASSERT_TRUE(ReadBytesAsBitmap(dib, Build(spec), dir));
    EXPECT_EQ(dib.ImageHeight(), -5);
    EXPECT_EQ(dib.PixelBytes(), 40u);
    for (int y = -5; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(dib.PixelAddress(x, y), nullptr);
    BOOL written = TRUE;
    EXPECT_TRUE(WrittenBytes(dib, dir, &written).empty());
    EXPECT_FALSE(written);
}

// ---------------------------------------------------------------------------
// Damaged files are refused, and the image read before stays as it was.

struct MalformedCase {
    const char* name;
    std::function<Bytes()> make;
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

    EXPECT_FALSE(ReadBytesAsBitmap(dib, GetParam().make(), dir));
    EXPECT_EQ(dib.Info(), info);
    EXPECT_EQ(dib.Pixels(), pixels);
    EXPECT_EQ(dib.ImageWidth(), 3);
    EXPECT_EQ(dib.ImageHeight(), 2);
    EXPECT_EQ(dib.PixelBytes(), 8u);
    EXPECT_EQ(*dib.PixelAddress(1, 1), 9);
    EXPECT_TRUE(SameColor(dib.Info()->bmiColors[9], 3, 2, 1));
}

FileSpec With(const std::function<void(FileSpec&)>& change) {
    FileSpec spec;
    change(spec);
    return spec;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderMalformedTest,
    testing::Values(
        MalformedCase{"Empty", [] { return Bytes{}; }},
        MalformedCase{"MagicBA", [] { return Build(With([](FileSpec& s) { s.magic[1] = 'A'; })); }},
        MalformedCase{"MagicMB", [] { return Build(With([](FileSpec& s) { s.magic[0] = 'M', s.magic[1] = 'B'; })); }},
        MalformedCase{"HeaderSize108", [] { return Build(With([](FileSpec& s) { s.headerSize = 108; })); }},
        MalformedCase{"HeaderSize124", [] { return Build(With([](FileSpec& s) { s.headerSize = 124; })); }},
        MalformedCase{"HeaderSize0", [] { return Build(With([](FileSpec& s) { s.headerSize = 0; })); }},
        MalformedCase{"FileHeaderOnly", [] { return Truncated(Build(FileSpec{}), 14); }},
        MalformedCase{"FiftyThreeBytes", [] { return Truncated(Build(FileSpec{}), 53); }},
        MalformedCase{"CoreFileOf52Bytes",
                      [] {
                          return Build(With([](FileSpec& s) {
                              s.headerSize = 12, s.bits = 1, s.tableEntries = 2, s.pixelBytes = 20;
                          }));
                      }},
        MalformedCase{"FileSizeBelowOffBits", [] { return Build(With([](FileSpec& s) { s.fileSize = 1077; })); }},
        MalformedCase{"TruncatedColorTable", [] { return Truncated(Build(FileSpec{}), 54 + 4 * 100 + 2); }},
        MalformedCase{"TruncatedCoreTable",
                      [] { return Truncated(Build(With([](FileSpec& s) { s.headerSize = 12; })), 26 + 3 * 100 + 1); }},
        MalformedCase{"TruncatedPixels", [] { return Truncated(Build(FileSpec{}), 1078 + 39); }},
        MalformedCase{"PixelsPastTheEnd",
                      [] { return Build(With([](FileSpec& s) { s.offBits = 5000, s.fileSize = 5040; })); }},
        // A few bytes that claim gigabytes of pixel data, or an image no memory holds.
        MalformedCase{"FileSizeClaims4GiB", [] { return Build(With([](FileSpec& s) { s.fileSize = 0xFFFFFFFF; })); }},
        MalformedCase{"ImageClaimsExabytes",
                      [] {
                          return Build(
                              With([](FileSpec& s) { s.width = 0x7FFFFFFF, s.height = 0x7FFFFFFF, s.pixelBytes = 0; }));
                      }}),
    [](const testing::TestParamInfo<MalformedCase>& param) { return std::string(param.param.name); });

TEST(ReaderReplace, ReadingOverAttachedImageLeavesCallersBlock) {
    std::vector<BYTE> info(kInfoBlockBytes);
    reinterpret_cast<BITMAPINFO*>(info.data())->bmiHeader = BITMAPINFOHEADER{40, 4, 2, 1, 8, 0, 0, 0, 0, 0, 0};
    std::vector<BYTE> pixels(8, 6);
    CDIB dib;
    ASSERT_TRUE(dib.AttachPixels(reinterpret_cast<const BITMAPINFO*>(info.data()), pixels.data()));
    ASSERT_TRUE(ReadPath(dib, DataFile("info8-netpbm.bmp")));
    EXPECT_TRUE(dib.OwnsPixels());
    EXPECT_EQ(dib.ImageWidth(), 6);
    EXPECT_EQ(pixels, std::vector<BYTE>(8, 6));
}

// ---------------------------------------------------------------------------
// The writer.

TEST(Writer, BlankImageIsHeaderGreyRampAndZeros) {
    TempDir dir;
    CDIB dib;
    BOOL written = FALSE;
    const Bytes b = WrittenBytes(dib, dir, &written);
    EXPECT_TRUE(written);
    ASSERT_EQ(b.size(), 1334u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Dword(b, 2), 1334u);
    EXPECT_EQ(Dword(b, 6), 0u);
    EXPECT_EQ(Dword(b, 10), 1078u);
    // The header exactly as held: nothing recomputed.
    const Bytes header = {40, 0, 0, 0, 16, 0, 0, 0, 16, 0, 0, 0, 1, 0, 8, 0};
    EXPECT_EQ(Bytes(b.begin() + 14, b.begin() + 30), header);
    EXPECT_EQ(Bytes(b.begin() + 30, b.begin() + 54), Bytes(24, 0));
    for (int i = 0; i < 256; ++i) {
        const Bytes entry(b.begin() + 54 + 4 * i, b.begin() + 58 + 4 * i);
        ASSERT_EQ(entry, (Bytes{static_cast<unsigned char>(i), static_cast<unsigned char>(i),
                                static_cast<unsigned char>(i), 0}))
            << "entry " << i;
    }
    EXPECT_EQ(Bytes(b.begin() + 1078, b.end()), Bytes(256, 0));
}

TEST(Writer, RowsArePaddedToFourBytes) {
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(5, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) *dib.PixelAddress(x, y) = static_cast<BYTE>(10 * y + x + 1);
    BOOL written = FALSE;
    const Bytes b = WrittenBytes(dib, dir, &written);
    EXPECT_TRUE(written);
    ASSERT_EQ(b.size(), 1102u);
    EXPECT_EQ(Dword(b, 2), 1102u);
    // Bottom row first, each 5 pixels and 3 bytes of padding.
    const Bytes pixels = {21, 22, 23, 24, 25, 0, 0, 0, 11, 12, 13, 14, 15, 0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin() + 1078, b.end()), pixels);
}

struct RoundTripCase {
    const char* name;
    std::function<void(CDIB&, std::vector<BYTE>& keep)> make;
};

class WriterRoundTripTest : public testing::TestWithParam<RoundTripCase> {};

TEST_P(WriterRoundTripTest, ReadingBackGivesTheSameImage) {
    TempDir dir;
    std::vector<BYTE> keep;
    CDIB dib;
    GetParam().make(dib, keep);
    if (HasFatalFailure()) return;
    BOOL written = FALSE;
    const Bytes b = WrittenBytes(dib, dir, &written);
    ASSERT_TRUE(written);
    const std::size_t pixelBytes = RowStride(dib.ImageWidth()) * static_cast<std::size_t>(dib.ImageHeight());
    EXPECT_EQ(b.size(), 1078 + pixelBytes);

    CDIB back;
    ASSERT_TRUE(ReadPath(back, dir.File("output.bmp")));
    EXPECT_EQ(std::memcmp(back.Info(), dib.Info(), kInfoBlockBytes), 0);
    ASSERT_EQ(back.PixelBytes(), pixelBytes);
    EXPECT_EQ(std::memcmp(back.Pixels(), dib.Pixels(), pixelBytes), 0);
}

void Pattern(CDIB& dib) {
    for (int y = 0; y < dib.ImageHeight(); ++y)
        for (int x = 0; x < dib.ImageWidth(); ++x) *dib.PixelAddress(x, y) = static_cast<BYTE>(31 * x + 7 * y);
}

INSTANTIATE_TEST_SUITE_P(
    Images, WriterRoundTripTest,
    testing::Values(
        RoundTripCase{"Blank", [](CDIB&, std::vector<BYTE>&) {}},
        RoundTripCase{"OddWidth",
                      [](CDIB& dib, std::vector<BYTE>&) {
                          ASSERT_TRUE(dib.CreateBlank(13, 7));
                          Pattern(dib);
                      }},
        RoundTripCase{"NoRows", [](CDIB& dib, std::vector<BYTE>&) { ASSERT_TRUE(dib.CreateBlank(9, 0)); }},
        // A picture as the set document builds it: its own header fields survive.
        RoundTripCase{"PictureHeader",
                      [](CDIB& dib, std::vector<BYTE>& keep) {
                          PaletteEntries palette;
                          for (int i = 0; i < 256; ++i)
                              palette.push_back(PALETTEENTRY{static_cast<BYTE>(i), 0, static_cast<BYTE>(~i), 0});
                          BITMAPINFO* header = BuildColorHeader(7, 3, palette);
                          ASSERT_NE(header, nullptr);
                          keep.assign(24, 0);
                          for (std::size_t i = 0; i < keep.size(); ++i) keep[i] = static_cast<BYTE>(i * 11);
                          const BOOL attached = dib.AttachPixels(header, keep.data());
                          GlobalRelease(header);
                          ASSERT_TRUE(attached);
                      }},
        RoundTripCase{"ReadFromNetpbm",
                      [](CDIB& dib, std::vector<BYTE>&) { ASSERT_TRUE(ReadPath(dib, DataFile("info8-netpbm.bmp"))); }},
        RoundTripCase{"ReadFromCoreHeader",
                      [](CDIB& dib, std::vector<BYTE>&) { ASSERT_TRUE(ReadPath(dib, DataFile("core8-netpbm.bmp"))); }}),
    [](const testing::TestParamInfo<RoundTripCase>& param) { return std::string(param.param.name); });

class WriterRefusalTest : public testing::TestWithParam<const char*> {};

TEST_P(WriterRefusalTest, OnlyEightBitImagesAreWritten) {
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(ReadPath(dib, DataFile(GetParam())));
    BOOL written = TRUE;
    EXPECT_TRUE(WrittenBytes(dib, dir, &written).empty());
    EXPECT_FALSE(written);
}

INSTANTIATE_TEST_SUITE_P(Files, WriterRefusalTest,
                         testing::Values("info1.bmp", "info4.bmp", "info24.bmp", "core24.bmp"));

TEST(Writer, FailedWriteIsReported) {
    TempDir dir;
    const std::string path = dir.File("readonly.bmp");
    WriteBytes(path, Bytes{'x'});
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
    CDIB dib;
    EXPECT_FALSE(dib.WriteToFile(&file));
}

TEST(Writer, ArchiveExchangeWritesAndReadsTheFile) {
    TempDir dir;
    const std::string path = dir.File("archive.bmp");
    CDIB original;
    ASSERT_TRUE(original.CreateBlank(5, 3));
    Pattern(original);
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeReadWrite | CFile::modeCreate));
        CArchive ar(&file, CArchive::store);
        original.Serialize(ar);
        file.Close();
    }
    EXPECT_EQ(ReadBytes(path).size(), 1102u);
    CDIB back;
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
        CArchive ar(&file, CArchive::load);
        back.Serialize(ar);
    }
    ASSERT_EQ(back.ImageWidth(), 5);
    EXPECT_EQ(std::memcmp(back.Pixels(), original.Pixels(), 24), 0);
}

}  // namespace
