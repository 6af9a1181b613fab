// Documents, their windows' titles, and the templates that make a document
// with its frame and view.
#include "win/framework/document.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "win/framework/application.h"
#include "win/framework/window.h"

namespace {

// Every document, oldest first.
std::vector<CDocument*>& Documents() {
    static std::vector<CDocument*> documents;
    return documents;
}

}  // namespace

CDocument::CDocument() {
    Documents().push_back(this);
}

CDocument::~CDocument() {
    auto& documents = Documents();
    documents.erase(std::remove(documents.begin(), documents.end(), this), documents.end());
    NumberWindowsTitled(m_strTitle);
}

void CDocument::SetTitle(const std::string& title) {
    const std::string old = std::exchange(m_strTitle, title);
    if (old != title) NumberWindowsTitled(old);
    UpdateFrameTitles();
}

void CDocument::SetPathName(const std::string& path) {
    m_strPathName = path;
    const auto slash = path.find_last_of("\\/");
    SetTitle(slash == std::string::npos ? path : path.substr(slash + 1));
}

void CDocument::AddView(CView* view) {
    m_views.push_back(view);
    view->m_pDocument = this;
    UpdateFrameTitles();
}

void CDocument::RemoveView(CView* view) {
    for (auto it = m_views.begin(); it != m_views.end(); ++it) {
        if (*it != view) continue;
        m_views.erase(it);
        break;
    }
    view->m_pDocument = nullptr;
    // A document lives as long as a window shows it.
    if (m_views.empty() && m_bAutoDelete) {
        delete this;
        return;
    }
    UpdateFrameTitles();
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, void* hintObject) {
    for (CView* view : m_views)
        if (view != sender) view->OnUpdate(sender, hint, hintObject);
}

void CDocument::UpdateFrameTitles() {
    NumberWindowsTitled(m_strTitle);
}

// One window shows the plain title; several are numbered Set1:1, Set1:2,
// whether they show one document or the same file opened twice.
void CDocument::NumberWindowsTitled(const std::string& title) {
    std::vector<CView*> views;
    for (CDocument* document : Documents())
        if (document->m_strTitle == title)
            views.insert(views.end(), document->m_views.begin(), document->m_views.end());
    const int numbered = views.size() > 1 ? 1 : 0;
    int number = numbered;
    for (CView* view : views) {
        if (CMdiChild* frame = view->GetParentFrame()) frame->UpdateTitle(number);
        number += numbered;
    }
}

BOOL CDocument::OnCommand(UINT id, BOOL execute) {
    return DispatchCommand(this, kCommands, id, execute);
}

void CDocument::OnFileSave() {
    DoFileSave();
}

std::string CDocument::GetSaveFilter() const {
    std::string filter;
    if (m_pDocTemplate && !m_pDocTemplate->Extensions().empty())
        filter = m_pDocTemplate->GetDocString(CDocTemplate::filterName) + "|" + m_pDocTemplate->FilterPatterns() + "|";
    return filter + "All Files (*.*)|*.*||";
}

BOOL CDocument::DoFileSave() {
    std::string path = m_strPathName;
    if (path.empty()) {
        const std::vector<std::string> exts =
            m_pDocTemplate ? m_pDocTemplate->Extensions() : std::vector<std::string>();
        // A name typed without an extension takes the chosen type's, or the first.
        const std::string ext = exts.empty() ? "" : exts.front();
        const std::string filter = GetSaveFilter();
        CFileDialog dialog(FALSE, ext.empty() ? nullptr : ext.c_str() + 1, m_strTitle.c_str(),
                           OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str(),
                           CApp::Current()->m_pMainWnd ? CApp::Current()->m_pMainWnd->m_hWnd : nullptr);
        if (dialog.DoModal() != IDOK) return FALSE;
        path = dialog.GetPathName();
    }
    CWaitCursor wait;
    if (!OnSaveDocument(path.c_str())) return FALSE;
    SetPathName(path);
    CApp::Current()->AddToRecentFileList(path);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const char* path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) {
        AppMessageBox("Unable to open " + std::string(path) + ".");
        return FALSE;
    }
    m_bArchiveFailed = FALSE;
    CArchive ar(&file, CArchive::load);
    try {
        CWaitCursor wait;
        Serialize(ar);
    } catch (const CFileException&) {
        AppMessageBox("Unable to read " + std::string(path) + ".");
        return FALSE;
    }
    // The document has said what it could not read.
    return m_bArchiveFailed ? FALSE : TRUE;
}

BOOL CDocument::OnSaveDocument(const char* path) {
    CReplacingFile file;
    if (!file.OpenFor(path)) {
        AppMessageBox("Unable to create " + std::string(path) + ".");
        return FALSE;
    }
    m_bArchiveFailed = FALSE;
    CArchive ar(&file, CArchive::store);
    try {
        Serialize(ar);
    } catch (const CFileException&) {
        file.Abandon();
        AppMessageBox("Unable to write " + std::string(path) + ".");
        return FALSE;
    }
    // The document has said what went wrong already.
    if (m_bArchiveFailed) {
        file.Abandon();
        return FALSE;
    }
    if (!file.Commit()) {
        AppMessageBox("Unable to write " + std::string(path) + ".");
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------- templates

std::vector<std::string> CDocTemplate::Extensions() const {
    std::vector<std::string> exts;
    const std::string field = GetDocString(filterExt);
    std::string::size_type begin = 0;
    while (begin < field.size()) {
        const auto end = std::min(field.find(';', begin), field.size());
        if (end > begin) exts.push_back(field.substr(begin, end - begin));
        begin = end + 1;
    }
    return exts;
}

std::string CDocTemplate::FilterPatterns() const {
    std::string patterns;
    for (const std::string& ext : Extensions()) patterns += (patterns.empty() ? "*" : ";*") + ext;
    return patterns;
}

CDocTemplate::CDocTemplate(UINT resourceId, DocumentFactory newDocument, FrameFactory newFrame, ViewFactory newView)
    : m_nResourceId(resourceId), m_pNewDocument(newDocument), m_pNewFrame(newFrame), m_pNewView(newView) {
    m_hMenuShared = ::LoadMenuA(CApp::Current()->m_hInstance, MAKEINTRESOURCEA(resourceId));
    const std::string text = LoadResourceString(resourceId);
    std::string::size_type begin = 0;
    for (;;) {
        const auto end = text.find('\n', begin);
        m_strings.push_back(text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
        if (end == std::string::npos) break;
        begin = end + 1;
    }
}

CDocTemplate::~CDocTemplate() {
    if (m_hMenuShared) ::DestroyMenu(m_hMenuShared);
}

std::string CDocTemplate::GetDocString(DocStringIndex index) const {
    const auto i = static_cast<std::size_t>(index);
    return i < m_strings.size() ? m_strings[i] : std::string();
}

CDocument* CDocTemplate::OpenDocumentFile(const char* path) {
    std::unique_ptr<CDocument> document(m_pNewDocument());
    document->m_pDocTemplate = this;
    if (path && *path) {
        if (!document->OnOpenDocument(path)) return nullptr;
        document->SetPathName(path);
    } else {
        document->SetTitle(GetDocString(docName) + std::to_string(m_nUntitledCount + 1));
        if (!document->OnNewDocument()) return nullptr;
        ++m_nUntitledCount;
    }
    CMdiChild* frame = CreateNewFrame(document.get(), nullptr);
    if (!frame) {
        AppMessageBox("Unable to open a window for " + document->GetTitle() + ".");
        return nullptr;
    }
    CDocument* shown = document.release();
    InitialUpdateFrame(frame, shown);
    return shown;
}

CMdiChild* CDocTemplate::CreateNewFrame(CDocument* document, CMdiChild* /*other*/) {
    CMdiFrame* mainFrame = CApp::Current()->m_pMainWnd;
    if (!mainFrame || !mainFrame->m_hWnd) return nullptr;
    CCreateContext context;
    context.m_pCurrentDoc = document;
    context.m_pNewView = m_pNewView;
    context.m_pTemplate = this;
    std::unique_ptr<CMdiChild> frame(m_pNewFrame());
    if (!frame ||
        !frame->LoadFrame(WS_CHILD | WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, mainFrame, &context))
        return nullptr;
    frame->m_bAutoDelete = TRUE;
    // From now on the document belongs to its windows.
    document->m_bAutoDelete = TRUE;
    return frame.release();
}

void CDocTemplate::InitialUpdateFrame(CMdiChild* frame, CDocument* document, BOOL makeVisible) {
    frame->InitialUpdateFrame(makeVisible);
    document->UpdateFrameTitles();
}
