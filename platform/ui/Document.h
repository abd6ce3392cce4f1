#pragma once
// CDocument: the data of one open file, its title, path and modified flag, the
// framework's open, save and close, and the views that show it.
//
// The document itself never creates a window: a derived design document can
// be made, loaded, saved and tested with no QWidget at all. Views and frames
// attach to it from the windows side.
//
// Open and save go through CFile and CArchive. A failed open reports the
// failure through the message-box handler, empties the document with
// DeleteContents and returns FALSE, so no half-loaded document survives. Save
// goes through QxFileReplacement: a temporary file in the target's folder,
// synced to the disk and renamed over the target, so a failed save, a crash or
// a power cut leaves the old file as it was (or the whole new one), and a
// failed save reports exactly one message and leaves the document modified.
#include "platform/core/Archive.h"
#include "platform/core/Exceptions.h"
#include "platform/core/File.h"
#include "platform/ui/CmdTarget.h"

#include <functional>
#include <vector>

class CView;
class CDocTemplate;
class CFrameWnd;

// An opaque iteration position (index + 1 inside), null at the end.
struct QxPosition;
using POSITION = QxPosition*;

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)

 public:
  CDocument() = default;
  ~CDocument() override;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;

  const CString& GetTitle() const { return m_strTitle; }
  // Sets the title and updates the captions of the windows that show it.
  virtual void SetTitle(LPCTSTR lpszTitle);
  const CString& GetPathName() const { return m_strPathName; }
  // Sets the path and makes the file's name (without folders) the title; with
  // bAddToMRU the path also goes to the application's recent-file list.
  virtual void SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU = TRUE);
  // Forgets the path (a document that must be saved under a new name).
  void ClearPathName() { m_strPathName.Empty(); }

  virtual BOOL IsModified() { return m_bModified; }
  virtual void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified ? TRUE : FALSE; }

  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

  // Views (the windows side adds and removes them).
  virtual void AddView(CView* pView);
  virtual void RemoveView(CView* pView);
  POSITION GetFirstViewPosition() const;
  CView* GetNextView(POSITION& rPosition) const;
  int GetViewCount() const { return static_cast<int>(m_viewList.size()); }
  // Calls OnUpdate of every view except the sender.
  void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);

  // The framework's life cycle.
  virtual void DeleteContents() {}
  virtual BOOL OnNewDocument();
  virtual BOOL OnOpenDocument(LPCTSTR lpszPathName);
  virtual BOOL OnSaveDocument(LPCTSTR lpszPathName);
  // Closes the views' frames, empties the document and deletes it when
  // m_bAutoDelete is set.
  virtual void OnCloseDocument();
  // Asks "Save changes to <name>?" when the document is modified. FALSE when
  // the user cancels or the save fails; TRUE when the document may be closed.
  virtual BOOL SaveModified();
  virtual BOOL CanCloseFrame(CFrameWnd* pFrame);
  // Reports an open or save failure through the message-box handler.
  virtual void ReportSaveLoadException(LPCTSTR lpszPathName, CException* e, BOOL bSaving);
  // Saves under lpszPathName, or under a name asked for when it is null;
  // with bReplace the document takes the new name.
  virtual BOOL DoSave(LPCTSTR lpszPathName, BOOL bReplace = TRUE);
  // Save: under the current path, or Save As when there is none.
  virtual BOOL DoFileSave();
  // Asks the user for a file name (the file dialog); FALSE when cancelled.
  virtual BOOL DoPromptFileName(CString& fileName, BOOL bSaving);

  // Where SetPathName sends paths for the recent-file list (the application
  // installs itself; null: no list).
  static void (*s_pfnAddToRecentFileList)(LPCTSTR lpszPathName);

  CDocTemplate* m_pDocTemplate = nullptr;
  BOOL m_bAutoDelete = TRUE;  // OnCloseDocument deletes the document

 protected:
  // The standard File commands of a document.
  void OnFileClose();
  void OnFileSave();
  void OnFileSaveAs();

  CString m_strTitle;
  CString m_strPathName;
  BOOL m_bModified = FALSE;
  std::vector<CView*> m_viewList;

  DECLARE_MESSAGE_MAP()
};

// The file-name prompt of open and save. The default shows a file dialog;
// tests install an answer (without a screen, one that cancels). filter is the
// framework's "Text (*.ext)" form joined with '|'; defaultExt has its dot.
using QxFileNamePrompt = std::function<BOOL(CString& fileName, BOOL bOpen, LPCTSTR title,
                                            LPCTSTR filter, LPCTSTR defaultExt)>;
QxFileNamePrompt QxSetFileNamePrompt(QxFileNamePrompt prompt);
BOOL QxPromptFileName(CString& fileName, BOOL bOpen, LPCTSTR title, LPCTSTR filter,
                      LPCTSTR defaultExt);
