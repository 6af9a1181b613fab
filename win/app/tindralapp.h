// CTindralApp: the parameters of the next picture, the shared palette and
// colour map, start-up, and the commands that work on all pictures at once.
// It is what every window's CExplorer is: the one place the windows and
// documents of a run are wired together.
#pragma once

#include "win/framework/application.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/palettes/schemes.h"
#include "win/image/imagepalette.h"
#include "win/ui/explorer.h"
#include "win/ui/resource.h"

class CMainFrame;

class CTindralApp : public CApp, public CExplorer {
public:
    CTindralApp();
    ~CTindralApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // The current palette, made by the Fire scheme when there is none.
    CImagePalette* GetPalette() override;
    void SetPaletteFromDIB(const CDIB& dib);
    CMainFrame* MainFrame() const { return m_mainFrame.get(); }

    // The next picture, kept as one value.
    PictureParams NextPicture() const override { return m_next; }
    void SetNextPicture(const PictureParams& params);

    BOOL OnCommand(UINT id, BOOL execute) override;
    // Escape stops the active window's computation.
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnIdle() override;
    // How many pictures are being computed.
    std::size_t PicturesComputing() const { return m_watched.size(); }

    int m_nMaxChildWidth = 400;
    int m_nMaxChildHeight = 533;
    RECT m_mainWindowRect{0, 0, 479, 479};
    BOOL m_bAutoColor = TRUE;
    BOOL m_bDisclaimerShown = FALSE;
    std::unique_ptr<CColorMap> m_pColorMap;
    std::unique_ptr<CMdiDocTemplate> m_pPaletteTemplate;
    // The palette as entries, and the logical palette made from them.
    PaletteEntries m_paletteEntries;
    std::unique_ptr<CImagePalette> m_pPalette;

private:
    // What the windows and documents ask of the program.
    void PictureActivated(const PictureParams& params) override;
    void ZoomTo(const SearchRect& region, const ExactRegion& exact) override;
    void PictureStarting() override;
    std::function<void()> Watch(CTindralDoc* document) override;
    void Unwatch(CTindralDoc* document) override;
    void ComputationNews() override;
    void PictureStopped() override;
    void ShowStatus(const std::string& text) override;
    BOOL AutoColor() const override { return m_bAutoColor; }
    CColorMap* ColorMap() override;
    const PaletteEntries& PaletteColors() override;
    int CommandChecked(UINT id) const override;
    CMdiDocTemplate* PaletteTemplate() override { return m_pPaletteTemplate.get(); }
    PixelSize ChildLimits() const override { return {m_nMaxChildWidth, m_nMaxChildHeight}; }

    void OnAppAbout();
    void OnPerformanceParams();
    void OnRegion();
    void OnPaletteGray() { UseScheme(Scheme::Gray); }
    void OnPaletteFire() { UseScheme(Scheme::Fire); }
    void OnPaletteEdge() { UseScheme(Scheme::Edge); }
    void OnPaletteFatigues() { UseScheme(Scheme::Fatigues); }
    void OnPaletteJungle() { UseScheme(Scheme::Jungle); }
    void OnLoadPalette();
    void OnAutoColorAssign() { m_bAutoColor = m_bAutoColor ? FALSE : TRUE; }

    // Refuses parameters whose neighbouring pixels no arithmetic here tells
    // apart, saying why where the exact region says it.
    bool WithinPrecision(const PictureParams& params, const ExactRegion& exact);
    void UseScheme(Scheme scheme);
    // Makes the logical palette from new entries, realises it and sees that
    // every open picture takes it.
    void SetPaletteEntries(PaletteEntries entries);

    // The document of the active window, when it is a picture's.
    CTindralDoc* ActiveDocument() const;
    // The status bar shows the active window's computation, or its prompt
    // again when that has ended.
    void ShowActiveProgress();

    std::unique_ptr<CMainFrame> m_mainFrame;
    PictureParams m_next = DefaultPictureParams();
    // The pictures being computed, and whether news of them is on its way
    // to this thread (shared with the computing threads, which may outlive
    // this object by a moment at exit).
    std::vector<CTindralDoc*> m_watched;
    std::shared_ptr<std::atomic<bool>> m_pNewsPosted = std::make_shared<std::atomic<bool>>(false);
    bool m_bProgressShown = false;
    // The built-in scheme the palette is; none for one taken from a file.
    std::optional<Scheme> m_scheme;

    static constexpr std::pair<UINT, Scheme> kSchemeCommands[] = {
        {ID_PALETTE_GRAY, Scheme::Gray},         {ID_PALETTE_FIRE, Scheme::Fire},     {ID_PALETTE_EDGE, Scheme::Edge},
        {ID_PALETTE_FATIGUES, Scheme::Fatigues}, {ID_PALETTE_JUNGLE, Scheme::Jungle},
    };
    static constexpr CommandEntry<CTindralApp> kCommands[] = {
        {ID_APP_ABOUT, &CTindralApp::OnAppAbout},
        {ID_OPTIONS_PERFORMANCE, &CTindralApp::OnPerformanceParams},
        {ID_OPTIONS_REGION, &CTindralApp::OnRegion},
        {ID_PALETTE_GRAY, &CTindralApp::OnPaletteGray},
        {ID_PALETTE_FIRE, &CTindralApp::OnPaletteFire},
        {ID_PALETTE_EDGE, &CTindralApp::OnPaletteEdge},
        {ID_PALETTE_FATIGUES, &CTindralApp::OnPaletteFatigues},
        {ID_PALETTE_JUNGLE, &CTindralApp::OnPaletteJungle},
        {ID_FILE_LOAD_PALETTE, &CTindralApp::OnLoadPalette},
        {ID_AUTO_COLOR_ASSIGN, &CTindralApp::OnAutoColorAssign},
    };
};
