// A CDIB as a PNG file: 8-bit indexed colour, the colour table as PLTE, and
// one private chunk that carries bytes of the caller's (a picture's record).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/base/file.h"
#include "core/image/dib.h"

// The private chunk's type: ancillary, private, and unsafe to copy, since
// what it says holds only for these pixels.
constexpr char kPngPrivateChunk[5] = "tnDR";

// Widest and tallest PNG the reader takes; larger ones are refused before
// anything is allocated.
constexpr std::uint32_t kPngLargestSide = 1000000;

// Whether the file at its current position starts with the PNG signature;
// the position is kept. Raises CFileException when the system refuses a seek.
bool IsPngFile(CFile* file);

// Reads a PNG file from the current position into dib: 8-bit, bottom-up,
// the colour table from PLTE (biClrUsed its entry count). Indexed-colour
// files of 1, 2, 4 or 8 bits a pixel are taken, not interlaced; anything
// else is refused with the reason in *why (when set) and leaves dib as it
// was. *privateData (when set) gets the private chunk's data, empty without
// one. Raises CFileException when the system refuses a seek.
// Without pixels (for a palette), the picture data is neither inflated nor
// kept: the image has its header and colour table and no pixel block.
bool ReadPng(CFile* file, CDIB* dib, std::vector<BYTE>* privateData, std::string* why, bool withPixels = true);

// Writes dib as an 8-bit indexed PNG: IHDR, PLTE with the colour table's
// meaningful entries, the private chunk when privateData is not empty, the
// pixels unfiltered at a fixed compression, IEND; no time or text chunks, so
// the same picture gives the same bytes on every build. False, with nothing
// written, for an image it does not write (only 8-bit bottom-up images of at
// least one pixel whose pixel block holds every row). Raises CFileException
// when the file refuses a write.
bool WritePng(CFile* file, const CDIB& dib, const std::vector<BYTE>& privateData);

// Reads a bitmap or a PNG file, whichever the file is; *privateData as
// ReadPng (always empty for a bitmap).
bool ReadImageFile(CFile* file, CDIB* dib, std::vector<BYTE>* privateData, std::string* why);
// The same for a palette: the header and colour table alone.
bool ReadImageColorTable(CFile* file, CDIB* dib, std::string* why);
