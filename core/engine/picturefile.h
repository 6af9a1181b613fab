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

// Reads the image of a picture file of either kind, with the reason in *why
// when it cannot be read, and then its record (*state). A record found is to
// be believed only where RecordDescribesBitmap says it describes the image.
// Raises CFileException when the system refuses a seek.
bool ReadPictureFile(CFile* file, CDIB* dib, PictureRecord* record, RecordState* state, std::string* why);
