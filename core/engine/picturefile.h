// Picture files of either kind, a bitmap with the record after it or a PNG
// with the record in its private chunk, chosen by the file's name when
// written and by its first bytes when read.
#pragma once

#include <string>

#include "core/base/file.h"
#include "core/engine/record.h"
#include "core/image/dib.h"

enum class PictureFormat { Bitmap, Png };

// PNG for a name ending in ".png" (in any case), a bitmap otherwise.
PictureFormat FormatForPath(const std::string& path);

// The picture file in the format, as WritePictureFile (and under the same
// conditions) for a bitmap. Raises CFileException when the file refuses a write.
bool WritePictureFile(CFile* file, const CDIB& dib, const PictureRecord& record, PictureFormat format);
// The image alone, without a record: a bitmap from elsewhere saved again.
bool WriteImageFile(CFile* file, const CDIB& dib, PictureFormat format);

// What a picture file holds beside its image.
struct PictureFileState {
    // Found only for a record to believe: one that passes its checksum and
    // is the record of the bitmap it follows, exactly where the writer puts it.
    RecordState record = RecordState::None;
    std::string mismatch;  // with Mismatch: what disagrees, e.g. "16×12 pixels, record 46340×46340"
    int rows = 0;          // the image's rows, and how many of them the file holds
    int rowsHeld = 0;
    bool Incomplete() const { return rowsHeld < rows; }
};

// Reads the image of a picture file of either kind, with the reason in *why
// when it cannot be read, and then judges its record. A file with the
// remains of a record (a PNG's private chunk, a record cut short after a
// bitmap) has a Damaged one. Rows the file lacks read as index 0. Raises
// CFileException when the system refuses a seek.
bool ReadPictureFile(CFile* file, CDIB* dib, PictureRecord* record, PictureFileState* state, std::string* why);
