// CDIB: one 8-bit device-independent bitmap in memory, an information block
// (header plus room for 256 colour-table entries) and a separate pixel block
// of rows padded to 4 bytes, stored bottom-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/base/file.h"
#include "core/base/wintypes.h"

constexpr std::size_t kInfoBlockBytes = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);

// Bytes in one pixel row of an 8-bit image: the width raised to a multiple of 4.
inline std::size_t RowStride(LONG width) {
    return (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
}

// How many colour-table entries of a header (information or core) mean
// something: the depth's default, or biClrUsed, cut to the default; at most 256.
int HeaderColorCount(const void* header);

// A new zero-filled information block holding the header of a width x height
// 8-bit bottom-up image (size, planes, depth; everything else zero); null
// when memory runs out.
BITMAPINFO* NewEightBitInfo(LONG width, LONG height);

class CDIB : public CObject {
public:
    CDIB();
    ~CDIB() override;
    CDIB(const CDIB&) = delete;
    CDIB& operator=(const CDIB&) = delete;

    void Serialize(CArchive& ar) override;
    // Reads one bitmap from the file's current position: a 12-, 40-, 108- or
    // 124-byte header (held as a 40-byte one), its colour table, and its
    // pixels; a refused file leaves the image as it was. Raises
    // CFileException when the system refuses a seek.
    virtual BOOL ReadFromFile(CFile* file);
    // The same, with the reason for a refusal in *why when it is set.
    bool ReadBitmap(CFile* file, std::string* why);
    // The header and colour table alone, for a palette, which needs no
    // pixels: the image then has no pixel block, however large the header
    // says it is.
    bool ReadColorTable(CFile* file, std::string* why);
    // FALSE when the file refuses a write; what was written stays.
    virtual BOOL WriteToFile(CFile* file);
    // The same bytes, but a refused write raises CFileException; false, with
    // nothing written, for an image the writer does not make (only 8-bit
    // bottom-up images whose pixel block holds every row are written).
    bool WriteBitmap(CFile* file) const;
    virtual int ImageWidth() const;
    virtual int ImageHeight() const;
    virtual void GetBounds(RECT* rect) const;
    // Copies a width x height block whose top-left is (xs, ys) here to (xd, yd)
    // in dest, y counted from the top; source pixels equal to the low byte of
    // transparent are skipped unless transparent is -1. A block that does not
    // lie wholly inside both bitmaps is clipped to them.
    virtual void CopyBlockTo(CDIB* dest, int xd, int yd, int width, int height, int xs, int ys, int transparent) const;

    // A width x height image, every pixel 0, with the grey identity table.
    BOOL CreateBlank(int width, int height);
    // Copies the header and its colour table from info and refers to pixels,
    // which the caller keeps and must keep alive while this object uses it.
    BOOL AttachPixels(const BITMAPINFO* info, BYTE* pixels);
    int ColorCount() const;
    // Exchanges the two images whole, so that a reader can build one aside
    // and install it only when it is complete.
    void Swap(CDIB& other) noexcept;
    // Whether the colour table can be taken as a palette: a 1-, 4- or 8-bit
    // picture, uncompressed or run-length encoded at its own depth (RLE8 at
    // 8 bits, RLE4 at 4). When it cannot, *why (when set) says why as the
    // rest of a sentence that names the file ("is a 24-bit picture: ...").
    bool CanGivePalette(std::string* why) const;
    // The byte of pixel (x, y), y counted from the top; null outside the image.
    BYTE* PixelAddress(int x, int y) const;

    const BITMAPINFO* Info() const { return m_pInfo; }
    BITMAPINFO* Info() { return m_pInfo; }
    const BYTE* Pixels() const { return m_pPixels; }
    BOOL OwnsPixels() const { return m_bOwnsPixels; }
    // Bytes of the pixel block: stride x height for images made here, as long
    // as the file said for images read from one.
    std::size_t PixelBytes() const { return m_nPixelBytes; }

private:
    bool Read(CFile* file, std::string* why, bool withPixels);
    void ReleaseBlocks();

    BITMAPINFO* m_pInfo = nullptr;
    BYTE* m_pPixels = nullptr;
    BOOL m_bOwnsPixels = TRUE;
    std::size_t m_nPixelBytes = 0;
};
