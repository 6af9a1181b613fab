// Picture files of both kinds over the bitmap and PNG formats and the record.
#include "core/engine/picturefile.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

#include "core/image/pngfile.h"

PictureFormat FormatForPath(const std::string& path) {
    const std::string png = ".png";
    if (path.size() < png.size()) return PictureFormat::Bitmap;
    const bool match = std::equal(png.begin(), png.end(), path.end() - static_cast<std::ptrdiff_t>(png.size()),
                                  [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    return match ? PictureFormat::Png : PictureFormat::Bitmap;
}

bool WritePictureFile(CFile* file, const CDIB& dib, const PictureRecord& record, PictureFormat format) {
    if (format == PictureFormat::Bitmap) return WritePictureFile(file, dib, record);
    std::vector<BYTE> bytes;
    if (!PictureRecordBytes(record, &bytes)) return false;
    if (record.params.width != dib.ImageWidth() || record.params.height != dib.ImageHeight()) return false;
    return WritePng(file, dib, bytes);
}

bool WriteImageFile(CFile* file, const CDIB& dib, PictureFormat format) {
    return format == PictureFormat::Png ? WritePng(file, dib, {}) : dib.WriteBitmap(file);
}

namespace {

DWORD Dword(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}

// Reads count bytes at offset, the file's position kept.
std::vector<BYTE> ReadAt(CFile* file, std::uint64_t offset, std::size_t count) {
    const std::uint64_t position = file->GetPosition();
    std::vector<BYTE> bytes(count);
    file->Seek(offset);
    bytes.resize(file->Read(bytes.data(), static_cast<UINT>(count)));
    file->Seek(position);
    return bytes;
}

// The bitmap's rows held by the file, and its record judged against where
// and what the writer puts: the record starts where the last row ends.
void JudgeBitmapFile(CFile* file, std::uint64_t start, const CDIB& dib, PictureRecord* record,
                     PictureFileState* state) {
    const std::uint64_t length = file->GetLength();
    const std::vector<BYTE> head = ReadAt(file, start, 14);
    const BITMAPINFOHEADER& h = dib.Info()->bmiHeader;
    const std::uint64_t offBits = head.size() == 14 ? Dword(head.data() + 10) : 0;
    const std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(std::max<LONG>(h.biWidth, 0)) * h.biBitCount + 31) / 32 * 4;
    const std::uint64_t rows = h.biHeight < 0 ? 0 - static_cast<std::uint64_t>(std::int64_t{h.biHeight})
                                              : static_cast<std::uint64_t>(h.biHeight);
    const std::uint64_t dataAt = start + offBits;
    std::uint64_t bitmapEnd = dataAt + rowBytes * rows;
    if (h.biCompression == 0 && rowBytes > 0 && rows > 0) {
        state->rows = static_cast<int>(std::min<std::uint64_t>(rows, INT32_MAX));
        const std::uint64_t held = length > dataAt ? (length - dataAt) / rowBytes : 0;
        state->rowsHeld = static_cast<int>(std::min<std::uint64_t>(held, static_cast<std::uint64_t>(state->rows)));
    } else {
        bitmapEnd = head.size() == 14 ? start + Dword(head.data() + 2) : length;
    }

    state->record = FindPictureRecord(file, record);
    if (state->record == RecordState::Found) {
        std::vector<BYTE> bytes;
        PictureRecordBytes(*record, &bytes);
        if (!RecordDescribesBitmap(*record, dib, &state->mismatch)) {
            state->record = RecordState::Mismatch;
        } else if (offBits != 14 + kInfoBlockBytes || Dword(head.data() + 2) != bitmapEnd - start ||
                   length - bytes.size() != bitmapEnd) {
            state->record = RecordState::Mismatch;
            state->mismatch = "the record does not start where the bitmap ends";
        }
    } else if (state->record == RecordState::None && bitmapEnd < length && h.biWidth > 0 && h.biHeight > 0) {
        const std::size_t seen =
            static_cast<std::size_t>(std::min<std::uint64_t>(length - bitmapEnd, LargestRecordBytes()));
        const std::vector<BYTE> tail = ReadAt(file, bitmapEnd, seen);
        if (LooksLikeRecordRemains(tail.data(), tail.size(), h.biWidth, h.biHeight))
            state->record = RecordState::Damaged;
    }
}

}  // namespace

bool ReadPictureFile(CFile* file, CDIB* dib, PictureRecord* record, PictureFileState* state, std::string* why) {
    *state = PictureFileState();
    std::vector<BYTE> chunk;
    const std::uint64_t start = file->GetPosition();
    const bool png = IsPngFile(file);
    if (!ReadImageFile(file, dib, &chunk, why)) return false;
    if (!png) {
        JudgeBitmapFile(file, start, *dib, record, state);
        return true;
    }
    // A PNG holds all its rows, or the reader refuses it.
    state->rows = state->rowsHeld = dib->ImageHeight();
    if (chunk.empty()) return true;
    state->record = ParsePictureRecord(chunk.data(), chunk.size(), record);
    // The private chunk is there only to hold a record.
    if (state->record == RecordState::None) state->record = RecordState::Damaged;
    if (state->record == RecordState::Found && !RecordDescribesBitmap(*record, *dib, &state->mismatch))
        state->record = RecordState::Mismatch;
    return true;
}
