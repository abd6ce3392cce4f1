#pragma once
// The open and save file dialogs. The filter is the framework's
// "Name (*.ext)|*.ext|...||" form. Both go through the layer's file-name
// prompt (QxPromptFileName in Document.h), which tests answer.
#include "platform/ui/Dialog.h"

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

class CFileDialog : public CDialog {
  DECLARE_DYNAMIC(CFileDialog)

 public:
  explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr,
                       LPCTSTR lpszFileName = nullptr,
                       DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       LPCTSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);

  // IDOK with a chosen path, IDCANCEL otherwise.
  INT_PTR DoModal() override;
  CString GetPathName() const { return m_strPathName; }
  // The name without the folder, its extension, and the name without extension.
  CString GetFileName() const;
  CString GetFileExt() const;
  CString GetFileTitle() const;

  BOOL m_bOpenFileDialog;
  DWORD m_dwFlags;
  CString m_strDefExt;
  CString m_strFilter;
  CString m_strTitle;  // empty: "Open" or "Save As"

 private:
  CString m_strPathName;
};
