// Documents, their windows' titles, and the templates that make a document
// with its frame and view.
#include "win/framework/document.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "win/framework/services.h"

std::vector<CDocument*>& CDocument::Documents() {
    static std::vector<CDocument*> documents;
    return documents;
}

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
                           OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str(), AppMainWindow());
        if (dialog.DoModal() != IDOK) return FALSE;
        path = dialog.GetPathName();
    }
    CWaitCursor wait;
    if (!OnSaveDocument(path.c_str())) return FALSE;
    SetPathName(path);
    if (Hooks().fileUsed) Hooks().fileUsed(path);
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

CDocTemplate::CDocTemplate(UINT resourceId, DocumentFactory newDocument)
    : m_nResourceId(resourceId), m_pNewDocument(std::move(newDocument)) {
    m_hMenuShared = ::LoadMenuA(AppInstance(), MAKEINTRESOURCEA(resourceId));
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

CDocument* CDocTemplate::NewDocument() {
    CDocument* document = m_pNewDocument();
    document->m_pDocTemplate = this;
    return document;
}
