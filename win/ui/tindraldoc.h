// CTindralDoc: one picture, from the parameters it was made with through its
// iteration counts and palette indices to the bitmap that shows it.
#pragma once

#include "win/framework/document.h"

#include <cstdint>
#include <memory>

#include "core/engine/computation.h"
#include "core/engine/picture.h"
#include "core/engine/record.h"
#include "core/engine/timeleft.h"

class CExplorer;

class CTindralDoc : public CDocument {
public:
    // A picture of params; whoever asks for it answers its questions about
    // colours and tells it when its computation has news.
    CTindralDoc(CExplorer& explorer, const PictureParams& params);
    // A computation still running is stopped and left to end by itself.
    ~CTindralDoc() override;

    BOOL OnNewDocument() override;
    // Storing writes the bitmap (or a PNG, for a name ending in .png) and,
    // for a picture made here, the record of its parameters with it. Loading a file with a sound record makes the
    // picture again (and checks it against the file's pixels); any other
    // 8-bit bitmap is shown as it is.
    void Serialize(CArchive& ar) override;
    // Bitmap and PNG files, each its own type; the name's extension decides.
    std::string GetSaveFilter() const override;
    // Save Image is the picture's Save; both wait for the picture.
    BOOL OnCommand(UINT id, BOOL execute) override;

    // Starts computing the counts of the picture's parameters beside the
    // program; the picture is shown once they are done. FALSE when no
    // computation could be started.
    BOOL GenerateSet();
    bool Computing() const { return m_pComputation != nullptr; }
    // The share of the counts done, 0 to 1, and the seconds left, negative
    // while no estimate has settled.
    double ComputedShare() const;
    double SecondsLeft() const { return m_dSecondsLeft; }
    // What the status bar tells once the picture is done (that most of a
    // deep picture reached the iteration limit), once; then nothing.
    std::string TakeLimitHint() {
        std::string hint;
        hint.swap(m_sLimitHint);
        return hint;
    }
    // Escape: the computation stops, and the windows of the picture close.
    void StopComputation();
    // The computation has news: it has got further, or it has ended.
    void OnComputationNews();
    // The information block for the current palette; the caller releases it.
    BITMAPINFO* BuildColorHeader();
    BOOL CreateDIB(const BITMAPINFO* info);
    // New colours from the current palette for the same pixels; a picture
    // still computing takes the palette there is when it is done.
    BOOL UpdateColors();

    // The parameters the picture was made from, as one value.
    const PictureParams& Params() const { return m_params; }
    // A bitmap shown as it was read: no counts, no region to zoom into.
    bool IsPlainBitmap() const { return m_bPlainBitmap; }
    // A plain bitmap from a file that was a picture: cut short, or with a
    // picture record that was there but did not hold.
    bool IsDamaged() const {
        return m_bIncomplete || m_fileRecord == RecordState::Damaged || m_fileRecord == RecordState::Mismatch;
    }
    // Why a plain bitmap cannot be magnified, for the user.
    const char* NoRegionReason() const;
    int Width() const { return m_params.width; }
    int Height() const { return m_params.height; }
    const CDIB* Dib() const { return m_picture.dib.get(); }
    const std::int32_t* Counts() const { return m_picture.counts.get(); }
    const BYTE* ImageBits() const { return m_picture.pixels.get(); }

private:
    void Load(CFile* file);
    // The picture of record made again: Made once its computation has
    // started, or NoMemory for one that cannot be made.
    PictureResult Remake(const PictureRecord& record, std::unique_ptr<CDIB>& saved);
    // The counts are in: colours, pixels, bitmap.
    void FinishPicture();
    // Shows a bitmap as it was read.
    void ShowPlainBitmap(std::unique_ptr<CDIB> dib);
    PictureRecord Record() const;

    CExplorer& m_explorer;
    PictureParams m_params;
    SetPicture m_picture;
    bool m_bPlainBitmap = false;
    RecordState m_fileRecord = RecordState::None;
    bool m_bIncomplete = false;
    // How the pixels got their colours: the picture's own assignment, or
    // this map, which a saved file records.
    bool m_bAutoColored = true;
    CColorMap m_colorMap{0};
    // The computation under way, and what its picture is to be checked
    // against when it was saved before.
    std::shared_ptr<CComputation> m_pComputation;
    std::unique_ptr<CDIB> m_pSaved;
    int m_nShownPercent = -1;
    CTimeLeft m_timeLeft;
    double m_dSecondsLeft = -1.0;
    std::string m_sLimitHint;
};
