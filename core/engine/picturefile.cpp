// Picture files of both kinds over the bitmap and PNG formats and the record.
#include "core/engine/picturefile.h"

#include <algorithm>
#include <cctype>
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

bool ReadPictureFile(CFile* file, CDIB* dib, PictureRecord* record, RecordState* state, std::string* why) {
    std::vector<BYTE> chunk;
    const bool png = IsPngFile(file);
    if (!ReadImageFile(file, dib, &chunk, why)) return false;
    if (png)
        *state = chunk.empty() ? RecordState::None : ParsePictureRecord(chunk.data(), chunk.size(), record);
    else
        *state = FindPictureRecord(file, record);
    return true;
}
