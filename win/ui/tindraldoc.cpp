// The set document: disclaimer, generation, colour assignment, colour
// updates and saving.
#include "win/framework/win32.h"

#include "win/ui/tindraldoc.h"

#include <cstring>
#include <string>

#include "core/engine/deep.h"
#include "core/engine/picturefile.h"
#include "core/engine/zoom.h"
#include "win/framework/application.h"
#include "win/ui/dialogs.h"
#include "win/ui/explorer.h"
#include "win/ui/resource.h"

CTindralDoc::CTindralDoc(CExplorer& explorer, const PictureParams& params) : m_explorer(explorer), m_params(params) {}

CTindralDoc::~CTindralDoc() {
    if (!m_pComputation) return;
    m_pComputation->Abandon();
    m_explorer.Unwatch(this);
}

BOOL CTindralDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return FALSE;
    const std::string size = std::to_string(Width()) + " x " + std::to_string(Height());
    if (!PixelsDistinguishable(Params())) {
        std::string why;
        ChooseArithmetic(Params(), &why);
        AppMessageBox(PrecisionLimitMessage(why));
        return FALSE;
    }
    m_explorer.PictureStarting();
    // Colours are assigned as the picture was asked for, when it is done.
    m_bAutoColored = m_explorer.AutoColor() != FALSE;
    if (!m_bAutoColored) m_colorMap = *m_explorer.ColorMap();
    switch (AllocatePicture(Width(), Height(), &m_picture)) {
        case PictureResult::Made:
            return GenerateSet();
        case PictureResult::Empty:
            AppMessageBox("A picture of " + size + " pixels has nothing to show: width and height must be at least 1.");
            return FALSE;
        case PictureResult::TooLarge:
            AppMessageBox("A picture of " + size + " pixels is too large to be made.");
            return FALSE;
        default:
            break;
    }
    AppMessageBox("There is not enough memory for a picture of " + size + " pixels.");
    return FALSE;
}

BOOL CTindralDoc::GenerateSet() {
    if (!m_picture.counts || m_pComputation) return FALSE;
    m_pComputation = CComputation::Start(Params(), std::move(m_picture.counts), 0, m_explorer.Watch(this));
    if (m_pComputation) return TRUE;
    m_explorer.Unwatch(this);
    AppMessageBox("Unable to generate set");
    return FALSE;
}

double CTindralDoc::ComputedShare() const {
    return m_pComputation ? m_pComputation->Done() : 1.0;
}

void CTindralDoc::StopComputation() {
    if (m_pComputation) m_pComputation->Stop();
}

void CTindralDoc::OnComputationNews() {
    if (!m_pComputation) return;
    switch (m_pComputation->GetState()) {
        case CComputation::State::Running: {
            // Every reading goes into the estimate of the time left.
            m_dSecondsLeft = m_timeLeft.Update(m_pComputation->Seconds(), m_pComputation->Done());
            // The windows show how far it has got, a repaint for each percent.
            const int percent = static_cast<int>(m_pComputation->Done() * 100);
            if (percent != m_nShownPercent) {
                m_nShownPercent = percent;
                UpdateAllViews(nullptr);
            }
            return;
        }
        case CComputation::State::Stopped:
            m_pComputation.reset();
            m_explorer.Unwatch(this);
            m_explorer.PictureStopped();
            // The last window's closing deletes this document.
            OnCloseDocument();
            return;
        case CComputation::State::Finished:
            m_picture.counts = m_pComputation->TakeCounts();
            m_pComputation.reset();
            m_explorer.Unwatch(this);
            FinishPicture();
            UpdateAllViews(nullptr);
            m_sLimitHint = ::LimitHint(Params(), m_picture.counts.get());
            return;
    }
}

void CTindralDoc::FinishPicture() {
    const PictureParams params = Params();
    if (m_bAutoColored) {
        m_colorMap = CColorMap::Assign(params.iterations, params.width * params.height, m_picture.counts.get());
        // Pictures asked for later without their own assignment take these bands.
        if (!m_pSaved) *m_explorer.ColorMap() = m_colorMap;
    }
    ColorPicture(m_colorMap, &m_picture);
    if (m_pSaved) {
        // The picture made again must be the one saved, pixel for pixel;
        // otherwise the file's own bitmap is shown as it is.
        std::unique_ptr<CDIB> saved = std::move(m_pSaved);
        for (int y = 0; y < params.height; ++y)
            if (std::memcmp(
                    saved->PixelAddress(0, y),
                    m_picture.pixels.get() + static_cast<std::size_t>(params.height - 1 - y) * RowStride(params.width),
                    static_cast<std::size_t>(params.width)) != 0) {
                ShowPlainBitmap(std::move(saved));
                return;
            }
    }
    UpdateColors();
}

BOOL CTindralDoc::OnCommand(UINT id, BOOL execute) {
    if (id == ID_FILE_SAVE_IMAGE) id = ID_FILE_SAVE;
    if (id == ID_FILE_SAVE && Computing()) {
        // Greyed in the menu and the toolbar; the keyboard hears why.
        if (execute) AppMessageBox("This picture is still being computed: it can be saved once it is done.");
        return execute;
    }
    return CDocument::OnCommand(id, execute);
}

BITMAPINFO* CTindralDoc::BuildColorHeader() {
    return ::BuildColorHeader(Width(), Height(), m_explorer.PaletteColors());
}

BOOL CTindralDoc::CreateDIB(const BITMAPINFO* info) {
    if (AttachPicture(info, &m_picture)) return TRUE;
    AppMessageBox("Unable to create DIB");
    return FALSE;
}

BOOL CTindralDoc::UpdateColors() {
    // A bitmap from elsewhere keeps the colours it came with.
    if (m_bPlainBitmap || Computing() || !m_picture.pixels) return TRUE;
    Block<BITMAPINFO> info(BuildColorHeader());
    if (!CreateDIB(info.get())) {
        AppMessageBox("Unable to update colors");
        return FALSE;
    }
    return TRUE;
}

std::string CTindralDoc::GetSaveFilter() const {
    return "Bitmap pictures (*.bmp)|*.bmp|PNG pictures (*.png)|*.png|All Files (*.*)|*.*||";
}

PictureRecord CTindralDoc::Record() const {
    PictureRecord record;
    record.params = RecordedParams(Params());
    record.hasColorMap = !m_bAutoColored;
    if (record.hasColorMap) record.colorMap = m_colorMap.Entries();
    return record;
}

void CTindralDoc::Serialize(CArchive& ar) {
    if (ar.IsLoading()) {
        Load(ar.GetFile());
        return;
    }
    // Nothing is ever written over a file in place of a picture.
    if (!m_picture.dib) {
        AppMessageBox("This window holds no picture to save.");
        ReportArchiveFailure();
        return;
    }
    ar.Flush();
    // The type goes by the name the user gave, not by the temporary file's.
    CFile* file = ar.GetFile();
    const auto* replacing = dynamic_cast<const CReplacingFile*>(file);
    const PictureFormat format = FormatForPath(replacing ? replacing->GetTargetPath() : file->GetFilePath());
    const bool written = m_bPlainBitmap ? WriteImageFile(file, *m_picture.dib, format)
                                        : WritePictureFile(file, *m_picture.dib, Record(), format);
    if (!written) {
        AppMessageBox("Unable to save the DIB");
        // Not a success: the framework keeps the old file and the old name.
        ReportArchiveFailure();
    }
}

void CTindralDoc::Load(CFile* file) {
    const std::string name = file->GetFilePath();
    auto dib = std::make_unique<CDIB>();
    std::string why;
    PictureRecord record;
    PictureFileState state;
    if (!ReadPictureFile(file, dib.get(), &record, &state, &why)) {
        AppMessageBox(name + " is not a picture Tindral can show: " + why + ".");
        ReportArchiveFailure();
        return;
    }
    if (dib->Info()->bmiHeader.biBitCount != 8) {
        AppMessageBox(name + " has " + std::to_string(dib->Info()->bmiHeader.biBitCount) +
                      " bits a pixel: Tindral shows 8-bit pictures only.");
        ReportArchiveFailure();
        return;
    }
    // Anything but a sound record that describes the file's bitmap leaves
    // the picture shown as the bitmap it is, told before anything is
    // computed: a record's claimed picture may be of any size.
    m_fileRecord = state.record;
    m_bIncomplete = state.Incomplete();
    if (m_bIncomplete) {
        AppMessageBox(name + " is incomplete: " + std::to_string(state.rowsHeld) + " of " + std::to_string(state.rows) +
                      " rows.");
    } else if (state.record == RecordState::Mismatch) {
        std::string mismatch = state.mismatch;
        for (std::size_t at; (at = mismatch.find("\u00d7")) != std::string::npos;) mismatch.replace(at, 2, "\xd7");
        AppMessageBox("The picture record of " + name + " does not match its bitmap (" + mismatch +
                      "): the file is damaged.");
    } else if (state.record == RecordState::Damaged) {
        AppMessageBox("The picture record of " + name + " is damaged: its checksum or its fields do not hold.");
    } else if (state.record == RecordState::UnknownVersion) {
        AppMessageBox("The picture record of " + name + " is of a later version than this program reads.");
    }
    const bool found = state.record == RecordState::Found && !m_bIncomplete;
    if (found && Remake(record, dib) == PictureResult::Made) return;
    ShowPlainBitmap(std::move(dib));
}

void CTindralDoc::ShowPlainBitmap(std::unique_ptr<CDIB> dib) {
    const int width = dib->ImageWidth();
    const int height = dib->ImageHeight();
    m_picture = SetPicture();
    m_picture.width = width;
    m_picture.height = height;
    m_picture.dib = std::move(dib);
    m_params.width = width;
    m_params.height = height;
    m_bPlainBitmap = true;
}

const char* CTindralDoc::NoRegionReason() const {
    if (m_bIncomplete) return "This picture's file is incomplete: it has no region to magnify.";
    switch (m_fileRecord) {
        case RecordState::Damaged:
        case RecordState::Mismatch:
            return "The picture record of this picture is damaged: it has no region to magnify.";
        case RecordState::UnknownVersion:
            return "The picture record of this picture is of a later version than this program reads: it has no "
                   "region to magnify.";
        case RecordState::Found:
            return "The picture record of this picture does not give its pixels: it has no region to magnify.";
        default:
            return "This picture was not made by Tindral: it has no region to magnify.";
    }
}

PictureResult CTindralDoc::Remake(const PictureRecord& record, std::unique_ptr<CDIB>& saved) {
    const PictureParams& params = record.params;
    if (params.width != saved->ImageWidth() || params.height != saved->ImageHeight() ||
        AllocatePicture(params.width, params.height, &m_picture) != PictureResult::Made)
        return PictureResult::NoMemory;
    m_params = params;
    // The shared colour map is left as it is: opening a file changes no
    // other picture's colours.
    m_bAutoColored = !record.hasColorMap;
    if (record.hasColorMap) m_colorMap = CColorMap::FromEntries(record.colorMap);
    m_explorer.PictureStarting();
    m_pSaved = std::move(saved);
    if (GenerateSet()) return PictureResult::Made;
    saved = std::move(m_pSaved);
    m_picture = SetPicture();
    return PictureResult::NoMemory;
}
