#pragma once
// Document templates: which document, frame and view classes make up one kind
// of document window, its strings (title, default name, file filter and
// extension), and its shared menu and accelerators. CMultiDocTemplate opens
// any number of documents, each in its own MDI child frame.
#include "platform/ui/Document.h"
#include "platform/ui/FrameWnd.h"

#include <vector>

class CDocTemplate : public CCmdTarget {
  DECLARE_DYNAMIC(CDocTemplate)

 public:
  // The fields of the template's string, separated by '\n'.
  enum DocStringIndex {
    windowTitle,
    docName,
    fileNewName,
    filterName,
    filterExt,
    regFileTypeId,
    regFileTypeName,
  };

  ~CDocTemplate() override;

  virtual BOOL GetDocString(CString& rString, DocStringIndex index) const;
  // New (null path) or opened; null when anything fails, leaving nothing behind.
  virtual CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
  virtual CDocument* CreateNewDocument();
  virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
  virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
  virtual void SetDefaultTitle(CDocument* pDocument) = 0;
  virtual void AddDocument(CDocument* pDoc);
  virtual void RemoveDocument(CDocument* pDoc);
  POSITION GetFirstDocPosition() const;
  CDocument* GetNextDoc(POSITION& rPos) const;
  int GetDocumentCount() const { return static_cast<int>(m_docList.size()); }
  // Asks about every modified document; FALSE when one save is cancelled.
  virtual BOOL SaveAllModified();
  virtual void CloseAllDocuments(BOOL bEndSession);
  // Loads the string, menu and accelerators of the resource id.
  virtual void LoadTemplate();

  UINT m_nIDResource;
  CRuntimeClass* m_pDocClass;
  CRuntimeClass* m_pFrameClass;
  CRuntimeClass* m_pViewClass;
  CString m_strDocStrings;
  HMENU m_hMenuShared = nullptr;
  HACCEL m_hAccelTable = nullptr;

 protected:
  CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
               CRuntimeClass* pViewClass);

  std::vector<CDocument*> m_docList;
};

class CMultiDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CMultiDocTemplate)

 public:
  CMultiDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                    CRuntimeClass* pViewClass);

  CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) override;
  // "<docName><n>" with n counting the untitled documents made so far.
  void SetDefaultTitle(CDocument* pDocument) override;

  UINT m_nUntitledCount = 0;

 private:
  void DiscardFailed(CDocument* pDoc, CFrameWnd* pFrame, HWND hFrame);
};
