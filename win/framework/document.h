// Documents and document templates: what a picture is, how many windows
// show it, and how it is made new, opened and saved.
#pragma once

#include "win/framework/cmdtarget.h"

#include "core/base/file.h"

#include <functional>
#include <string>
#include <vector>

class CView;
class CDocTemplate;

class CDocument : public CCmdTarget {
public:
    CDocument();
    ~CDocument() override;

    // The new-document step; FALSE drops the document and its window.
    virtual BOOL OnNewDocument() { return TRUE; }
    // Reading (loading archive) and writing (storing archive) the document.
    virtual void Serialize(CArchive& /*ar*/) {}
    virtual BOOL OnOpenDocument(const char* path);
    // Writes to a temporary file first; the target is replaced only when the
    // whole document was written, and the document keeps its old name when
    // anything failed.
    virtual BOOL OnSaveDocument(const char* path);

    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& title);
    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& path);

    void AddView(CView* view);
    void RemoveView(CView* view);
    void UpdateAllViews(CView* sender, LPARAM hint = 0, void* hintObject = nullptr);
    // Closes every window that shows the document; the last one deletes it.
    void OnCloseDocument();
    // Saves under the current name, asking for one when there is none.
    BOOL DoFileSave();
    // The save dialog's "|"-separated filter: by default one entry for the
    // template's extensions, then all files.
    virtual std::string GetSaveFilter() const;

    BOOL OnCommand(UINT id, BOOL execute) override;

protected:
    // A Serialize that could not write or read its data says so here, so
    // that the save or the open is not taken for a success.
    void ReportArchiveFailure() { m_bArchiveFailed = TRUE; }

private:
    friend class CDocTemplate;
    void UpdateFrameTitles();
    // Numbers every window of the documents of that title, in the order
    // the documents were made.
    static void NumberWindowsTitled(const std::string& title);
    // Every document, oldest first.
    static std::vector<CDocument*>& Documents();
    void OnFileSave();

    std::string m_strTitle;
    std::string m_strPathName;
    CDocTemplate* m_pDocTemplate = nullptr;
    std::vector<CView*> m_views;
    BOOL m_bArchiveFailed = FALSE;
    // Set once a window shows the document: its last window deletes it.
    BOOL m_bAutoDelete = FALSE;

    static constexpr CommandEntry<CDocument> kCommands[] = {
        {ID_FILE_SAVE, &CDocument::OnFileSave},
    };
};

// One kind of document with its menu and its newline-separated strings
// (resource id), and how such a document is made. The windows it is shown
// in are made by CMdiDocTemplate (application.h), above the windows.
class CDocTemplate {
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

    // Whoever registers a template says how its documents are made, so that
    // they can be handed what they need from the start.
    using DocumentFactory = std::function<CDocument*()>;

    CDocTemplate(UINT resourceId, DocumentFactory newDocument);
    virtual ~CDocTemplate();
    CDocTemplate(const CDocTemplate&) = delete;
    CDocTemplate& operator=(const CDocTemplate&) = delete;

    std::string GetDocString(DocStringIndex index) const;
    // The filter extension field may list several, separated by ';'
    // (".BMP;.PNG"); each with its dot, the first the default.
    std::vector<std::string> Extensions() const;
    // Their dialog patterns joined: "*.BMP;*.PNG".
    std::string FilterPatterns() const;
    HMENU Menu() const { return m_hMenuShared; }
    UINT ResourceId() const { return m_nResourceId; }

protected:
    // A new document of this template's kind, not yet shown.
    CDocument* NewDocument();
    // From now on the document belongs to the windows that show it.
    static void HandToWindows(CDocument* document) { document->m_bAutoDelete = TRUE; }
    static void UpdateFrameTitles(CDocument* document) { document->UpdateFrameTitles(); }
    int m_nUntitledCount = 0;

private:
    UINT m_nResourceId;
    DocumentFactory m_pNewDocument;
    HMENU m_hMenuShared = nullptr;
    std::vector<std::string> m_strings;
};
