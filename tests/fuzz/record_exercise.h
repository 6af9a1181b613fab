// What the record fuzzer and its regression tests do with one input: find a
// picture record at its end, then read it as a picture file and hold the
// record it believes to the bitmap it follows.
#pragma once

#include <string>
#include <vector>

#include "bitmap_exercise.h"
#include "core/engine/picturefile.h"
#include "core/engine/record.h"
#include "core/image/pngfile.h"

namespace record_exercise {

inline void ExerciseRecord(CFile* input, CFile* scratch) {
    const std::uint64_t length = input->GetLength();
    PictureRecord record;
    RecordState state = RecordState::None;
    try {
        state = FindPictureRecord(input, &record);
    } catch (const CFileException&) {
        return;
    }
    EXERCISE_CHECK(input->GetPosition() == 0);
    if (state == RecordState::Found) {
        // A record found is one the writer makes: the file ends with exactly its bytes.
        std::vector<BYTE> bytes, tail;
        EXERCISE_CHECK(PictureRecordBytes(record, &bytes) && bytes.size() <= length);
        tail.resize(bytes.size());
        input->Seek(length - bytes.size());
        EXERCISE_CHECK(input->Read(tail.data(), static_cast<UINT>(tail.size())) == tail.size() && tail == bytes);
        input->Seek(0);
    }

    const PictureFormat format = IsPngFile(input) ? PictureFormat::Png : PictureFormat::Bitmap;
    CDIB dib;
    PictureFileState file;
    std::string why;
    try {
        if (!ReadPictureFile(input, &dib, &record, &file, &why)) return;
    } catch (const CFileException&) {
        return;
    }
    EXERCISE_CHECK(0 <= file.rowsHeld && file.rowsHeld <= file.rows);
    if (file.record != RecordState::Found) return;
    // Believed only as the record of this very bitmap, which the writer
    // writes again to a file of the same length.
    EXERCISE_CHECK(!file.Incomplete() && RecordDescribesBitmap(record, dib, &why));
    EXERCISE_CHECK(record.params.width == dib.ImageWidth() && record.params.height == dib.ImageHeight());
    // A seek between the last read and this write, as the C library asks.
    scratch->Seek(0);
    EXERCISE_CHECK(WritePictureFile(scratch, dib, record, format));
    if (format == PictureFormat::Bitmap) EXERCISE_CHECK(scratch->GetPosition() == length);
}

}  // namespace record_exercise
