// CTindralApp: the parameters of the next picture, the shared palette and
// colour map, start-up, and the commands that work on all pictures at once.
// It is what every window's CExplorer is: the one place the windows and
// documents of a run are wired together.
#pragma once

#include "win/framework/application.h"

#include <cstdint>
#include <memory>
#include <optional>

#include "core/engine/timeleft.h"
#include "core/palettes/schemes.h"
#include "win/image/imagepalette.h"
#include "win/ui/explorer.h"
#include "win/ui/resource.h"

class CDocTemplate;
class CMainFrame;

class CTindralApp : public CApp, public CExplorer {
public:
    CTindralApp();
    ~CTindralApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // The current palette, made by the Fire scheme when there is none.
    CImagePalette* GetPalette() override;
    // Rebuilds the colour map from a picture's own counts.
    void AssignColors(int pixelCount, const std::int32_t* counts);
    void SetPaletteFromDIB(const CDIB& dib);
    CMainFrame* MainFrame() const { return m_mainFrame.get(); }

    // The next picture as one value, and the members it is kept in.
    PictureParams NextPicture() const override;
    void SetNextPicture(const PictureParams& params);

    BOOL OnCommand(UINT id, BOOL execute) override;

    SearchRect m_searchRect = kDefaultSearchRect;
    // The next picture's region exactly, believed only while m_searchRect
    // is still its rounding (ExactRegionOf).
    std::shared_ptr<const ExactRegion> m_exactRegion;
    int m_nIterations = kDefaultIterations;
    int m_nMaxChildWidth = 400;
    int m_nMaxChildHeight = 533;
    RECT m_mainWindowRect{0, 0, 479, 479};
    RECT m_imageRect{0, 0, kDefaultImageWidth - 1, kDefaultImageHeight - 1};
    double m_dNoise = kDefaultNoise;
    double m_dExponent = kDefaultExponent;
    BOOL m_bAutoColor = TRUE;
    BOOL m_bDisclaimerShown = FALSE;
    std::unique_ptr<CColorMap> m_pColorMap;
    std::unique_ptr<CDocTemplate> m_pPaletteTemplate;
    // The palette as entries, and the logical palette made from them.
    PaletteEntries m_paletteEntries;
    std::unique_ptr<CImagePalette> m_pPalette;

private:
    // What the windows and documents ask of the program.
    void PictureActivated(const PictureParams& params) override;
    void ZoomTo(const SearchRect& region, const ExactRegion& exact) override;
    void BeginComputation() override;
    bool Progress(double done) override;
    void EndComputation(bool stopped) override;
    bool Computing() const override { return m_bComputing; }
    void CloseWhenStopped() override;
    void ShowStatus(const std::string& text) override;
    BOOL AutoColor() const override { return m_bAutoColor; }
    CColorMap* ColorMap() override;
    const PaletteEntries& PaletteColors() override;
    int CommandChecked(UINT id) const override;
    CDocTemplate* PaletteTemplate() override { return m_pPaletteTemplate.get(); }
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

    // Refuses parameters whose neighbouring pixels doubles cannot tell apart.
    bool WithinPrecision(const PictureParams& params);
    void UseScheme(Scheme scheme);
    // Makes the logical palette from new entries, realises it and sees that
    // every open picture takes it.
    void SetPaletteEntries(PaletteEntries entries);

    std::unique_ptr<CMainFrame> m_mainFrame;
    // The built-in scheme the palette is; none for one taken from a file.
    std::optional<Scheme> m_scheme;
    // The computation under way: when it began, whether the user asked it to
    // stop, and whether the main window is to close after it.
    bool m_bComputing = false;
    bool m_bStopRequested = false;
    bool m_bCloseRequested = false;
    std::uint64_t m_nComputationStart = 0;
    std::uint64_t m_nLastProgressShown = 0;
    CTimeLeft m_timeLeft;

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
