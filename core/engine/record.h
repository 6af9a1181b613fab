// The record of a picture's parameters that a saved picture carries after its
// bitmap bytes, so that opening the file can make the same picture again.
#pragma once

#include <string>
#include <vector>

#include "core/base/file.h"
#include "core/engine/params.h"
#include "core/image/dib.h"

struct PictureRecord {
    // The seed is kept only when noise is on; 0 otherwise. An exact region
    // that holds (ExactRegionOf) is kept, in a record of version 2; callers
    // give one only for a picture computed from it (RecordedParams, deep.h),
    // and a record of version 1 has none.
    PictureParams params;
    bool hasColorMap = false;   // the colour map in use when auto-colour was off
    std::vector<int> colorMap;  // its entries (palette indices 0 to 255), for counts 0...N
};

// Writes the picture file: the bitmap's own bytes exactly as WriteToFile
// writes them (bfSize and every header field unchanged, so other bitmap
// readers see the same picture), then the record. False, with nothing
// written, when the bitmap is not one the writer makes or the record cannot
// be held: a size other than the bitmap's, an iteration limit outside 1 to
// 1000000, a number that is not finite, a map entry outside 0 to 255. The
// seed of a picture without noise is written as 0 and a noise of -0 as +0,
// so such a picture gives the same bytes whenever and wherever it is made.
// Raises CFileException when the file refuses a write.
bool WritePictureFile(CFile* file, const CDIB& dib, const PictureRecord& record);

enum class RecordState {
    Found,
    None,            // no record at the file's end
    Damaged,         // its checksum or its fields do not hold
    UnknownVersion,  // written by a later version of the format
    Mismatch,        // sound in itself, but not the record of the bitmap it follows
};

// The record's own bytes, the same that follow a bitmap (and that a PNG
// picture carries in a chunk of its own); false when it cannot be held.
bool PictureRecordBytes(const PictureRecord& record, std::vector<BYTE>* bytes);
// The record that is exactly these bytes: nothing before or after it.
RecordState ParsePictureRecord(const BYTE* data, std::size_t size, PictureRecord* record);

// The record of a file, found from its end wherever the file stands; the
// file's position is kept. A record found is exactly one the writer makes:
// written again, it gives the same bytes. Raises CFileException when the
// system refuses a seek.
RecordState FindPictureRecord(CFile* file, PictureRecord* record);
// The same, answering only whether a sound record was found; raises nothing.
bool ReadPictureRecord(CFile* file, PictureRecord* record);

// Whether a record found is the one the writer makes for the bitmap it
// follows: an 8-bit, bottom-up, uncompressed bitmap of the record's size
// with the writer's colour table (256 entries, those past the picture's
// colours black), and a colour map (if any) with one entry per count 0...N.
// A record that passes its checksum but describes another picture must not
// be believed: computing the picture it claims could take any time and
// memory. Otherwise false, with what disagrees in *why (e.g. "16×12 pixels,
// record 46340×46340").
bool RecordDescribesBitmap(const PictureRecord& record, const CDIB& dib, std::string* why);

// Whether the bytes after a bitmap of this size, where no sound record
// ends the file, are what is left of one: a body that begins with the
// bitmap's own width and height, or the record's magic (whole, or cut short
// at the file's end). Such a file was a picture whose record is damaged.
bool LooksLikeRecordRemains(const BYTE* tail, std::size_t size, int width, int height);
// The most bytes after a bitmap that LooksLikeRecordRemains needs to see.
std::size_t LargestRecordBytes();
