// CTindralDoc: one picture, from the parameters it was made with through its
// iteration counts and palette indices to the bitmap that shows it.
#pragma once

#include "win/framework/document.h"

#include <cstdint>

#include "core/engine/picture.h"

class CExplorer;

class CTindralDoc : public CDocument {
public:
    // A picture of params; whoever asks for it answers its questions about
    // colours and hears how far the computation has got.
    CTindralDoc(CExplorer& explorer, const PictureParams& params);

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

    PictureParams Params() const;
    int Width() const { return m_imageRect.right + 1; }
    int Height() const { return m_imageRect.bottom + 1; }
    const CDIB* Dib() const { return m_picture.dib.get(); }
    const std::int32_t* Counts() const { return m_picture.counts.get(); }
    const BYTE* ImageBits() const { return m_picture.pixels.get(); }

    RECT m_imageRect{};
    SearchRect m_searchRect{};
    double m_dExponent = 2.0;
    double m_dNoise = 0.0;
    int m_nIterations = 0;
    unsigned m_nSeed = 0;

private:
    // Progress goes to whoever asked for the picture.
    GeneratorControl Progress();

    CExplorer& m_explorer;
    SetPicture m_picture;
};
