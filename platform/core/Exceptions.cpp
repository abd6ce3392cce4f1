#include "platform/core/Exceptions.h"

#include "platform/core/CodePage.h"

#include <cerrno>
#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)

void CException::Delete() {
  if (m_bAutoDelete) delete this;
}

BOOL CException::GetErrorMessage(LPTSTR buffer, UINT maxChars, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  CString text = ErrorText();
  if (buffer && maxChars > 0) lstrcpyn(buffer, text, static_cast<int>(maxChars));
  return !text.IsEmpty();
}

int CException::ReportError(UINT type, UINT messageId) const {
  CString text = ErrorText();
  if (text.IsEmpty()) {
    const char* fallback = messageId ? AfxLoadString(messageId) : nullptr;
    text = fallback ? fallback : "An unexpected error occurred.";
  }
  return AfxMessageBox(text, type);
}

CString CMemoryException::ErrorText() const {
  return "There is not enough memory.";
}

namespace {
CString WithFileName(const char* format, const CString& fileName) {
  CString text;
  text.Format(format, fileName.IsEmpty() ? "the file" : QxPathToText(fileName.GetString()).c_str());
  return text;
}
}  // namespace

CString CArchiveException::ErrorText() const {
  switch (m_cause) {
    case none:
      return CString();
    case readOnly:
      return WithFileName("Cannot write to %s: it was opened for reading.", m_strFileName);
    case endOfFile:
      return WithFileName("Unexpected end of %s: the file is damaged or incomplete.",
                          m_strFileName);
    case writeOnly:
      return WithFileName("Cannot read from %s: it was opened for writing.", m_strFileName);
    case badIndex:
    case badClass:
    case badSchema:
      return WithFileName("Unexpected data in %s: the file is damaged or of another kind.",
                          m_strFileName);
    default:
      return WithFileName("An error occurred while reading or writing %s.", m_strFileName);
  }
}

int CFileException::OsErrorToException(LONG osError) {
  switch (osError) {
    case 0:
      return none;
    case ENOENT:
      return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return badPath;
    case EMFILE:
    case ENFILE:
      return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return accessDenied;
    case EBADF:
      return invalidFile;
    case EBUSY:
      return sharingViolation;
    case ENOSPC:
    case EFBIG:
      return diskFull;
    case EIO:
      return hardIO;
    case ESPIPE:
    case EINVAL:
      return badSeek;
    default:
      return generic;
  }
}

CString CFileException::ErrorText() const {
  switch (m_cause) {
    case none:
      return CString();
    case fileNotFound:
      return WithFileName("%s was not found.", m_strFileName);
    case badPath:
      return WithFileName("The path of %s is not valid.", m_strFileName);
    case tooManyOpenFiles:
      return WithFileName("Too many files are open to open %s.", m_strFileName);
    case accessDenied:
      return WithFileName("Access to %s was denied.", m_strFileName);
    case diskFull:
      return WithFileName("The disk is full while writing %s.", m_strFileName);
    case endOfFile:
      return WithFileName("Unexpected end of %s.", m_strFileName);
    case sharingViolation:
    case lockViolation:
      return WithFileName("%s is in use by another program.", m_strFileName);
    default:
      return WithFileName("An error occurred while accessing %s.", m_strFileName);
  }
}

void AfxThrowArchiveException(int cause, LPCSTR fileName) {
  throw new CArchiveException(cause, fileName);
}

void AfxThrowFileException(int cause, LONG osError, LPCSTR fileName) {
  throw new CFileException(cause, osError, fileName);
}

void AfxThrowMemoryException() {
  throw new CMemoryException();
}
