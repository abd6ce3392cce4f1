#include "platform/ui/FileDialog.h"

#include "platform/ui/Document.h"

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName,
                         DWORD dwFlags, LPCTSTR lpszFilter, CWnd* pParentWnd)
    : CDialog(0, pParentWnd),
      m_bOpenFileDialog(bOpenFileDialog),
      m_dwFlags(dwFlags),
      m_strDefExt(lpszDefExt ? lpszDefExt : ""),
      m_strFilter(lpszFilter ? lpszFilter : ""),
      m_strPathName(lpszFileName ? lpszFileName : "") {}

INT_PTR CFileDialog::DoModal() {
  CString title = m_strTitle;
  if (title.IsEmpty()) title = m_bOpenFileDialog ? "Open" : "Save As";
  // The prompt takes the extension with its dot; the framework's callers give it without.
  CString ext = m_strDefExt;
  if (!ext.IsEmpty() && ext[0] != '.') ext = "." + ext;
  CString path = m_strPathName;
  if (!QxPromptFileName(path, m_bOpenFileDialog, title, m_strFilter, ext)) return IDCANCEL;
  m_strPathName = path;
  return IDOK;
}

CString CFileDialog::GetFileName() const {
  int slash = m_strPathName.ReverseFind('/');
  return m_strPathName.Mid(slash + 1);
}

CString CFileDialog::GetFileExt() const {
  CString name = GetFileName();
  int dot = name.ReverseFind('.');
  return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const {
  CString name = GetFileName();
  int dot = name.ReverseFind('.');
  return dot < 0 ? name : name.Left(dot);
}
