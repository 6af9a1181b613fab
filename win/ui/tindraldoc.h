// CTindralDoc: one picture, from the parameters it was made with through its
// iteration counts and palette indices to the bitmap that shows it.
#pragma once

#include "win/framework/document.h"

#include <cstdint>

#include "core/engine/picture.h"
#include "core/engine/record.h"

class CExplorer;

class CTindralDoc : public CDocument {
public:
    // A picture of params; whoever asks for it answers its questions about
    // colours and hears how far the computation has got.
    CTindralDoc(CExplorer& explorer, const PictureParams& params);

    BOOL OnNewDocument() override;
    // Storing writes the bitmap (or a PNG, for a name ending in .png) and,
    // for a picture made here, the record of its parameters with it. Loading a file with a sound record makes the
    // picture again (and checks it against the file's pixels); any other
    // 8-bit bitmap is shown as it is.
    void Serialize(CArchive& ar) override;
    // Bitmap and PNG files, each its own type; the name's extension decides.
    std::string GetSaveFilter() const override;
    // Save Image is the picture's Save.
    BOOL OnCommand(UINT id, BOOL execute) override;

    // The counts of the picture's parameters, the program awake meanwhile;
    // FALSE when the user stopped them.
    BOOL GenerateSet();
    // The information block for the current palette; the caller releases it.
    BITMAPINFO* BuildColorHeader();
    BOOL CreateDIB(const BITMAPINFO* info);
    // New colours from the current palette for the same pixels.
    BOOL UpdateColors();

    PictureParams Params() const;
    // A bitmap shown as it was read: no counts, no region to zoom into.
    bool IsPlainBitmap() const { return m_bPlainBitmap; }
    // A plain bitmap from a file that was a picture: cut short, or with a
    // picture record that was there but did not hold.
    bool IsDamaged() const {
        return m_bIncomplete || m_fileRecord == RecordState::Damaged || m_fileRecord == RecordState::Mismatch;
    }
    // Why a plain bitmap cannot be magnified, for the user.
    const char* NoRegionReason() const;
    int Width() const { return m_imageRect.right + 1; }
    int Height() const { return m_imageRect.bottom + 1; }
    const CDIB* Dib() const { return m_picture.dib.get(); }
    const std::int32_t* Counts() const { return m_picture.counts.get(); }
    const BYTE* ImageBits() const { return m_picture.pixels.get(); }

    RECT m_imageRect{};
    SearchRect m_searchRect{};
    // The region exactly, for a picture computed from it (Params().exact).
    std::shared_ptr<const ExactRegion> m_exactRegion;
    double m_dExponent = 2.0;
    double m_dNoise = 0.0;
    int m_nIterations = 0;
    unsigned m_nSeed = 0;

private:
    // Progress goes to whoever asked for the picture.
    GeneratorControl Progress();
    void Load(CFile* file);
    // The picture of record made again: Made, Stopped by the user, or
    // NoMemory for one that cannot be made or does not match the file's
    // pixels.
    PictureResult Remake(const PictureRecord& record, const CDIB& saved);
    void TakeParams(const PictureParams& params);
    PictureRecord Record() const;

    CExplorer& m_explorer;
    SetPicture m_picture;
    bool m_bPlainBitmap = false;
    RecordState m_fileRecord = RecordState::None;
    bool m_bIncomplete = false;
    // How the pixels got their colours: the picture's own assignment, or
    // this map, which a saved file records.
    bool m_bAutoColored = true;
    CColorMap m_colorMap{0};
};
