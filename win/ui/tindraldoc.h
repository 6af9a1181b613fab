// CTindralDoc: one picture, from the parameters it was made with through its
// iteration counts and palette indices to the bitmap that shows it.
#pragma once

#include "win/framework/document.h"

#include <cstdint>
#include <memory>

#include "core/engine/params.h"
#include "core/engine/setimage.h"
#include "core/image/dib.h"
#include "core/base/globalmem.h"

class CTindralDoc : public CDocument {
public:
    CTindralDoc();
    ~CTindralDoc() override;

    BOOL OnNewDocument() override;
    // Writes the bitmap when storing; a document read from a file stays
    // empty.
    void Serialize(CArchive& ar) override;

    BOOL GenerateSet();
    BOOL CreateImage(BOOL autoColor);
    // The information block for the current palette; the caller releases it.
    BITMAPINFO* BuildColorHeader();
    BOOL CreateDIB(const BITMAPINFO* info);
    // New colours from the current palette for the same pixels.
    BOOL UpdateColors();

    int Width() const { return m_imageRect.right + 1; }
    int Height() const { return m_imageRect.bottom + 1; }

    struct BlockRelease {
        void operator()(void* block) const { GlobalRelease(block); }
    };

    RECT m_imageRect{};
    SearchRect m_searchRect{};
    double m_dExponent = 2.0;
    double m_dNoise = 0.0;
    std::unique_ptr<std::int32_t, BlockRelease> m_pCounts;
    // Declared before the pixels it refers to, so that it goes first.
    std::unique_ptr<BYTE, BlockRelease> m_pImageBits;
    std::unique_ptr<CDIB> m_pDIB;

private:
    SetImageSizes m_sizes{};
};
