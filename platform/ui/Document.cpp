#include "platform/ui/Document.h"

#include "platform/core/CodePage.h"
#include "platform/core/Debug.h"
#include "platform/core/FileReplacement.h"
#include "platform/core/MessageBox.h"
#include "platform/ui/DocTemplate.h"
#include "platform/ui/FrameWnd.h"
#include "platform/ui/View.h"
#include "platform/ui/WndInternal.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <mutex>

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
ON_COMMAND(ID_FILE_CLOSE, OnFileClose)
ON_COMMAND(ID_FILE_SAVE, OnFileSave)
ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
END_MESSAGE_MAP()

void (*CDocument::s_pfnAddToRecentFileList)(LPCTSTR) = nullptr;

CDocument::~CDocument() {
  // A document deleted while views still point at it would leave them dangling.
  ASSERT(m_viewList.empty());
}

void CDocument::SetTitle(LPCTSTR lpszTitle) {
  m_strTitle = lpszTitle;
  // Every window showing the document shows the new title (Save As renames it).
  std::vector<CFrameWnd*> frames;
  for (CView* view : m_viewList) {
    CFrameWnd* frame = view->GetParentFrame();
    if (frame && std::find(frames.begin(), frames.end(), frame) == frames.end())
      frames.push_back(frame);
  }
  for (CFrameWnd* frame : frames) frame->OnUpdateFrameTitle(TRUE);
}

void CDocument::SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU) {
  m_strPathName = lpszPathName;
  // The title is text: the file's name as the file system names it.
  int slash = m_strPathName.ReverseFind('/');
  const CString name = slash < 0 ? m_strPathName : m_strPathName.Mid(slash + 1);
  SetTitle(QxPathToText(name.GetString()).c_str());
  if (bAddToMRU && s_pfnAddToRecentFileList && !m_strPathName.IsEmpty()) {
    s_pfnAddToRecentFileList(m_strPathName);
  }
}

// ---- Views -------------------------------------------------------------

void CDocument::AddView(CView* pView) {
  if (pView && std::find(m_viewList.begin(), m_viewList.end(), pView) == m_viewList.end()) {
    m_viewList.push_back(pView);
    pView->m_pDocument = this;
  }
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
  std::vector<CView*> views = m_viewList;
  for (CView* view : views) {
    if (view != pSender) view->OnUpdate(pSender, lHint, pHint);
  }
}

void CDocument::RemoveView(CView* pView) {
  size_t before = m_viewList.size();
  m_viewList.erase(std::remove(m_viewList.begin(), m_viewList.end(), pView), m_viewList.end());
  if (pView && pView->m_pDocument == this) pView->m_pDocument = nullptr;
  // The last view gone closes the document (unless it is being closed already).
  if (before != m_viewList.size() && m_viewList.empty() && m_bAutoDelete) OnCloseDocument();
}

POSITION CDocument::GetFirstViewPosition() const {
  return m_viewList.empty() ? nullptr : reinterpret_cast<POSITION>(std::uintptr_t{1});
}

CView* CDocument::GetNextView(POSITION& rPosition) const {
  std::uintptr_t index = reinterpret_cast<std::uintptr_t>(rPosition);
  if (index == 0 || index > m_viewList.size()) {
    rPosition = nullptr;
    return nullptr;
  }
  CView* view = m_viewList[index - 1];
  rPosition = index < m_viewList.size() ? reinterpret_cast<POSITION>(index + 1) : nullptr;
  return view;
}

// ---- Open, save, close ---------------------------------------------------

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::ReportSaveLoadException(LPCTSTR lpszPathName, CException* e, BOOL bSaving) {
  char text[512] = {};
  if (!e || !e->GetErrorMessage(text, sizeof text)) {
    CString fallback;
    fallback.Format(bSaving ? "Failed to save document %s." : "Failed to open document %s.",
                    QxPathToText(lpszPathName ? lpszPathName : "").c_str());
    AfxMessageBox(fallback, MB_ICONEXCLAMATION);
    return;
  }
  AfxMessageBox(text, MB_ICONEXCLAMATION);
}

BOOL CDocument::OnOpenDocument(LPCTSTR lpszPathName) {
  CFile file;
  CFileException openError;
  if (!file.Open(lpszPathName, CFile::modeRead | CFile::shareDenyWrite, &openError)) {
    if (openError.m_strFileName.IsEmpty()) openError.m_strFileName = lpszPathName;
    ReportSaveLoadException(lpszPathName, &openError, FALSE);
    return FALSE;
  }
  DeleteContents();
  SetModifiedFlag();  // dirty while loading, in case the load is interrupted
  BeginWaitCursor();
  try {
    CArchive archive(&file, CArchive::load | CArchive::bNoFlushOnDelete);
    archive.m_pDocument = this;
    Serialize(archive);
    // Loaders report damage through the archive's failure state; it counts
    // as the archive exception, like a file that ends early.
    if (archive.HasFailed()) AfxThrowArchiveException(CArchiveException::endOfFile, lpszPathName);
    archive.Close();
    file.Close();
  } catch (CException* e) {
    file.Abort();
    DeleteContents();
    EndWaitCursor();
    ReportSaveLoadException(lpszPathName, e, FALSE);
    e->Delete();
    return FALSE;
  }
  EndWaitCursor();
  SetModifiedFlag(FALSE);
  return TRUE;
}

namespace {

// The storing archive's file: every write goes to the replacement's temporary
// file, and a failed write throws the file exception the archive passes on.
class CReplacementFile : public CFile {
 public:
  CReplacementFile(QxFileReplacement& replacement, const CString& target)
      : m_replacement(replacement) {
    m_strFileName = target;
    m_nOpenFlags = modeWrite;
  }
  void Write(const void* buffer, UINT count) override {
    if (int error = m_replacement.Write(buffer, count)) ThrowFor(error, m_strFileName);
  }
  void Flush() override {}
  void Close() override {}
  void Abort() override {}
  BOOL IsOpen() const override { return TRUE; }

  [[noreturn]] static void ThrowFor(int error, const CString& target) {
    AfxThrowFileException(CFileException::OsErrorToException(error), error, target);
  }

 private:
  QxFileReplacement& m_replacement;
};

}  // namespace

BOOL CDocument::OnSaveDocument(LPCTSTR lpszPathName) {
  const CString target = lpszPathName;
  QxFileReplacement replacement(target.GetString());
  BeginWaitCursor();
  try {
    if (int error = replacement.Begin()) CReplacementFile::ThrowFor(error, target);
    CReplacementFile file(replacement, target);
    CArchive archive(&file, CArchive::store | CArchive::bNoFlushOnDelete);
    archive.m_pDocument = this;
    Serialize(archive);
    archive.Close();
    // Only a file that is whole on the disk replaces the old one.
    if (int error = replacement.Commit()) CReplacementFile::ThrowFor(error, target);
  } catch (CException* e) {
    replacement.Abandon();
    EndWaitCursor();
    ReportSaveLoadException(target, e, TRUE);
    e->Delete();
    return FALSE;
  }
  EndWaitCursor();
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  // Closing the frames removes the views; keep the document alive meanwhile.
  BOOL autoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  while (!m_viewList.empty()) {
    CView* view = m_viewList.front();
    CFrameWnd* frame = view->GetParentFrame();
    if (frame && IsWindow(frame->GetSafeHwnd())) {
      frame->DestroyWindow();
    } else if (IsWindow(view->GetSafeHwnd())) {
      view->DestroyWindow();
    }
    if (!m_viewList.empty() && m_viewList.front() == view) RemoveView(view);
  }
  m_bAutoDelete = autoDelete;
  DeleteContents();
  if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
  if (m_bAutoDelete) delete this;
}

BOOL CDocument::SaveModified() {
  if (!IsModified()) return TRUE;
  CString name = m_strTitle;
  if (!m_strPathName.IsEmpty()) {
    const int slash = m_strPathName.ReverseFind('/');
    name = QxPathToText(m_strPathName.Mid(slash + 1).GetString()).c_str();
  }
  CString prompt;
  prompt.Format("Save changes to %s?", name.GetString());
  switch (AfxMessageBox(prompt, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDCANCEL:
      return FALSE;
    case IDYES:
      return DoFileSave();
    default:
      return TRUE;
  }
}

BOOL CDocument::CanCloseFrame(CFrameWnd*) {
  return SaveModified();
}

BOOL CDocument::DoPromptFileName(CString& fileName, BOOL bSaving) {
  CString filter;
  CString ext;
  if (m_pDocTemplate) {
    CString name;
    m_pDocTemplate->GetDocString(name, CDocTemplate::filterName);
    m_pDocTemplate->GetDocString(ext, CDocTemplate::filterExt);
    if (!name.IsEmpty() && !ext.IsEmpty()) filter = name + "|*" + ext + "|";
  }
  filter += "All Files (*.*)|*.*||";
  return QxPromptFileName(fileName, !bSaving, bSaving ? "Save As" : "Open", filter, ext);
}

BOOL CDocument::DoSave(LPCTSTR lpszPathName, BOOL bReplace) {
  CString newName = lpszPathName ? lpszPathName : "";
  if (newName.IsEmpty()) {
    newName = m_strPathName.IsEmpty() ? m_strTitle : m_strPathName;
    if (!DoPromptFileName(newName, TRUE)) return FALSE;
  }
  if (!OnSaveDocument(newName)) return FALSE;
  if (bReplace) SetPathName(newName);
  return TRUE;
}

BOOL CDocument::DoFileSave() {
  return DoSave(m_strPathName.IsEmpty() ? nullptr : m_strPathName.GetString());
}

void CDocument::OnFileClose() {
  if (!SaveModified()) return;
  OnCloseDocument();
}

void CDocument::OnFileSave() {
  DoFileSave();
}

void CDocument::OnFileSaveAs() {
  DoSave(nullptr);
}

// ---- File-name prompt -----------------------------------------------------

namespace {

std::mutex g_promptMutex;
QxFileNamePrompt g_prompt;

// "Text (*.a)|*.a|All (*.*)|*.*||" becomes Qt's "Text (*.a);;All (*.*)".
QString QtFilter(LPCTSTR filter) {
  QStringList parts = QString::fromLatin1(filter ? filter : "").split('|');
  QStringList names;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (!parts[i].isEmpty()) names << parts[i];
  }
  return names.join(";;");
}

BOOL DefaultPrompt(CString& fileName, BOOL bOpen, LPCTSTR title, LPCTSTR filter,
                   LPCTSTR defaultExt) {
  QString start = QString::fromLocal8Bit(fileName.GetString());
  qxui::ModalEntry entry;
  QString chosen = bOpen ? QFileDialog::getOpenFileName(nullptr, title, start, QtFilter(filter))
                         : QFileDialog::getSaveFileName(nullptr, title, start, QtFilter(filter));
  if (chosen.isEmpty()) return FALSE;
  // Only the file's own name counts: a dot in a folder name is no extension.
  if (!bOpen && defaultExt && *defaultExt && !QFileInfo(chosen).fileName().contains('.'))
    chosen += defaultExt;
  fileName = CString(chosen.toLocal8Bit().toStdString());
  return TRUE;
}

}  // namespace

QxFileNamePrompt QxSetFileNamePrompt(QxFileNamePrompt prompt) {
  std::lock_guard<std::mutex> lock(g_promptMutex);
  std::swap(g_prompt, prompt);
  return prompt;
}

BOOL QxPromptFileName(CString& fileName, BOOL bOpen, LPCTSTR title, LPCTSTR filter,
                      LPCTSTR defaultExt) {
  QxFileNamePrompt prompt;
  {
    std::lock_guard<std::mutex> lock(g_promptMutex);
    prompt = g_prompt;
  }
  if (prompt) return prompt(fileName, bOpen, title, filter, defaultExt);
  return DefaultPrompt(fileName, bOpen, title, filter, defaultExt);
}
