#pragma once
// The framework's exceptions. They are thrown as pointers made with new
// (AfxThrow*), caught as CException* and released with Delete():
//
//   try { ... } catch (CException* e) { e->ReportError(); e->Delete(); }
#include "platform/core/MessageBox.h"
#include "platform/core/Object.h"
#include "platform/core/String.h"

class CException : public CObject {
  DECLARE_DYNAMIC(CException)

 public:
  // Frees the exception (exceptions made by AfxThrow* are always on the heap).
  void Delete();
  // Copies the message (truncated, zero-ended) into buffer; FALSE when there is none.
  virtual BOOL GetErrorMessage(LPTSTR buffer, UINT maxChars, UINT* helpContext = nullptr) const;
  // Shows the message through the message-box handler and returns its answer.
  virtual int ReportError(UINT type = MB_OK, UINT messageId = 0) const;

  BOOL m_bAutoDelete = TRUE;

 protected:
  CException() = default;
  // The text of the message; empty when there is none.
  virtual CString ErrorText() const { return CString(); }
};

class CMemoryException : public CException {
  DECLARE_DYNAMIC(CMemoryException)

 public:
  CMemoryException() = default;

 protected:
  CString ErrorText() const override;
};

class CArchiveException : public CException {
  DECLARE_DYNAMIC(CArchiveException)

 public:
  enum {
    none = 0,
    genericException = 1,
    generic = genericException,
    readOnly = 2,
    endOfFile = 3,
    writeOnly = 4,
    badIndex = 5,
    badClass = 6,
    badSchema = 7,
  };
  explicit CArchiveException(int cause = none, LPCSTR fileName = nullptr)
      : m_cause(cause), m_strFileName(fileName) {}

  int m_cause;
  CString m_strFileName;

 protected:
  CString ErrorText() const override;
};

class CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)

 public:
  enum {
    none = 0,
    genericException = 1,
    generic = genericException,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };
  explicit CFileException(int cause = none, LONG osError = -1, LPCSTR fileName = nullptr)
      : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

  // The cause for a C errno value.
  static int OsErrorToException(LONG osError);

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;

 protected:
  CString ErrorText() const override;
};

[[noreturn]] void AfxThrowArchiveException(int cause, LPCSTR fileName = nullptr);
[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, LPCSTR fileName = nullptr);
[[noreturn]] void AfxThrowMemoryException();
