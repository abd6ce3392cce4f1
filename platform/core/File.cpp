#include "platform/core/File.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CMemFile, CFile)
IMPLEMENT_DYNAMIC(CSharedFile, CMemFile)

namespace {
// Larger memory files than this are refused rather than attempted.
constexpr SIZE_T kMaxMemFile = SIZE_T{1} << 30;
}  // namespace

CFile::CFile(LPCSTR path, UINT openFlags) {
  CFileException error;
  if (!Open(path, openFlags, &error))
    AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile() {
  if (m_pStream) CFile::Abort();
}

BOOL CFile::Open(LPCSTR path, UINT openFlags, CFileException* error) {
  if (m_pStream) Abort();
  auto fail = [&](int cause, int osError) {
    if (error) {
      error->m_cause = cause;
      error->m_lOsError = osError;
      error->m_strFileName = path ? path : "";
    }
    return FALSE;
  };
  if (!path || !*path) return fail(CFileException::badPath, ENOENT);
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return fail(CFileException::accessDenied, EISDIR);

  UINT access = openFlags & 0x3;
  bool create = openFlags & modeCreate;
  bool truncate = create && !(openFlags & modeNoTruncate);
  const char* mode = access == modeRead ? "rb" : "r+b";
  if (truncate) mode = access == modeRead ? "w+b" : (access == modeWrite ? "wb" : "w+b");
  errno = 0;
  std::FILE* stream = std::fopen(path, mode);
  if (!stream && create && !truncate && errno == ENOENT) stream = std::fopen(path, "w+b");
  if (!stream) {
    int osError = errno;
    return fail(CFileException::OsErrorToException(osError), osError);
  }
  m_pStream = stream;
  m_nOpenFlags = openFlags;
  m_nLastOp = 0;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  m_strFileName = ec ? CString(path) : CString(full.lexically_normal().string());
  return TRUE;
}

void CFile::ThrowOsError(int fallback) const {
  int osError = errno;
  int cause = osError ? CFileException::OsErrorToException(osError) : fallback;
  AfxThrowFileException(cause, osError, m_strFileName);
}

void CFile::SwitchDirection(bool writing) {
  int op = writing ? 2 : 1;
  if (m_nLastOp != 0 && m_nLastOp != op) std::fseek(m_pStream, 0, SEEK_CUR);
  m_nLastOp = op;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (!m_pStream) AfxThrowFileException(CFileException::invalidFile, -1, m_strFileName);
  if (count == 0) return 0;
  SwitchDirection(false);
  errno = 0;
  size_t got = std::fread(buffer, 1, count, m_pStream);
  if (got < count && std::ferror(m_pStream)) {
    std::clearerr(m_pStream);
    ThrowOsError(CFileException::hardIO);
  }
  return static_cast<UINT>(got);
}

void CFile::Write(const void* buffer, UINT count) {
  if (!m_pStream) AfxThrowFileException(CFileException::invalidFile, -1, m_strFileName);
  if ((m_nOpenFlags & 0x3) == modeRead)
    AfxThrowFileException(CFileException::accessDenied, EBADF, m_strFileName);
  if (count == 0) return;
  SwitchDirection(true);
  errno = 0;
  if (std::fwrite(buffer, 1, count, m_pStream) != count) {
    std::clearerr(m_pStream);
    ThrowOsError(CFileException::diskFull);
  }
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  if (!m_pStream) AfxThrowFileException(CFileException::invalidFile, -1, m_strFileName);
  LONGLONG base = 0;
  if (from == current)
    base = static_cast<LONGLONG>(GetPosition());
  else if (from == end)
    base = static_cast<LONGLONG>(GetLength());
  if ((offset < 0 && base + offset < 0) || from > end)
    AfxThrowFileException(CFileException::badSeek, EINVAL, m_strFileName);
  LONGLONG target = base + offset;
  if (std::fseek(m_pStream, static_cast<long>(target), SEEK_SET) != 0)
    ThrowOsError(CFileException::badSeek);
  m_nLastOp = 0;
  return static_cast<ULONGLONG>(target);
}

ULONGLONG CFile::GetLength() const {
  if (!m_pStream) return 0;
  long here = std::ftell(m_pStream);
  std::fseek(m_pStream, 0, SEEK_END);
  long length = std::ftell(m_pStream);
  std::fseek(m_pStream, here, SEEK_SET);
  m_nLastOp = 0;
  return length < 0 ? 0 : static_cast<ULONGLONG>(length);
}

ULONGLONG CFile::GetPosition() const {
  long here = m_pStream ? std::ftell(m_pStream) : 0;
  return here < 0 ? 0 : static_cast<ULONGLONG>(here);
}

void CFile::Flush() {
  if (m_pStream && std::fflush(m_pStream) != 0) ThrowOsError(CFileException::diskFull);
}

void CFile::Close() {
  if (!m_pStream) return;
  std::FILE* stream = m_pStream;
  m_pStream = nullptr;
  errno = 0;
  // A failed final write shows up here; report it so a save is not taken for good.
  if (std::fclose(stream) != 0) ThrowOsError(CFileException::diskFull);
}

void CFile::Abort() {
  if (!m_pStream) return;
  std::fclose(m_pStream);
  m_pStream = nullptr;
}

CString CFile::GetFileName() const {
  int slash = m_strFileName.ReverseFind('/');
  return slash < 0 ? m_strFileName : m_strFileName.Mid(slash + 1);
}

void CFile::Rename(LPCSTR oldName, LPCSTR newName) {
  errno = 0;
  if (!oldName || !newName || std::rename(oldName, newName) != 0) {
    int osError = errno;
    AfxThrowFileException(CFileException::OsErrorToException(osError), osError, oldName);
  }
}

void CFile::Remove(LPCSTR fileName) {
  errno = 0;
  if (!fileName || std::remove(fileName) != 0) {
    int osError = errno;
    AfxThrowFileException(CFileException::OsErrorToException(osError), osError, fileName);
  }
}

// --- CMemFile ---------------------------------------------------------------

CMemFile::CMemFile(UINT growBytes) : m_nGrowBytes(growBytes) {}

CMemFile::CMemFile(BYTE* buffer, UINT size, UINT growBytes) : m_nGrowBytes(growBytes) {
  Attach(buffer, size, growBytes);
}

CMemFile::~CMemFile() {
  CMemFile::Close();
}

void CMemFile::Attach(BYTE* buffer, UINT size, UINT growBytes) {
  Close();
  m_lpBuffer = buffer;
  m_nBufferSize = buffer ? size : 0;
  m_nFileSize = growBytes == 0 ? m_nBufferSize : 0;
  m_nGrowBytes = growBytes;
  m_nPosition = 0;
  m_bAutoDelete = FALSE;
}

BYTE* CMemFile::Detach() {
  BYTE* buffer = m_lpBuffer;
  m_lpBuffer = nullptr;
  m_nBufferSize = m_nFileSize = m_nPosition = 0;
  m_bAutoDelete = TRUE;
  return buffer;
}

BOOL CMemFile::Open(LPCSTR, UINT, CFileException* error) {
  if (error) error->m_cause = CFileException::generic;
  return FALSE;
}

UINT CMemFile::Read(void* buffer, UINT count) {
  if (m_nPosition >= m_nFileSize || count == 0) return 0;
  SIZE_T n = std::min<SIZE_T>(count, m_nFileSize - m_nPosition);
  std::memcpy(buffer, m_lpBuffer + m_nPosition, n);
  m_nPosition += n;
  return static_cast<UINT>(n);
}

void CMemFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  SIZE_T newEnd = m_nPosition + count;
  if (newEnd > m_nBufferSize) GrowFile(newEnd);
  // Bytes between the old end and a position sought beyond it read as zeros.
  if (m_nPosition > m_nFileSize)
    std::memset(m_lpBuffer + m_nFileSize, 0, m_nPosition - m_nFileSize);
  std::memcpy(m_lpBuffer + m_nPosition, buffer, count);
  m_nPosition = newEnd;
  m_nFileSize = std::max(m_nFileSize, newEnd);
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from) {
  LONGLONG base = from == current ? static_cast<LONGLONG>(m_nPosition)
                  : from == end   ? static_cast<LONGLONG>(m_nFileSize)
                                  : 0;
  LONGLONG target = base + offset;
  if (from > end || target < 0 || static_cast<ULONGLONG>(target) > kMaxMemFile)
    AfxThrowFileException(CFileException::badSeek, EINVAL);
  m_nPosition = static_cast<SIZE_T>(target);
  return static_cast<ULONGLONG>(target);
}

void CMemFile::SetLength(ULONGLONG length) {
  if (length > kMaxMemFile) AfxThrowMemoryException();
  SIZE_T n = static_cast<SIZE_T>(length);
  if (n > m_nBufferSize) GrowFile(n);
  if (n > m_nFileSize) std::memset(m_lpBuffer + m_nFileSize, 0, n - m_nFileSize);
  m_nFileSize = n;
  m_nPosition = std::min(m_nPosition, n);
}

void CMemFile::Close() {
  if (m_lpBuffer && m_bAutoDelete) Free(m_lpBuffer);
  m_lpBuffer = nullptr;
  m_nBufferSize = m_nFileSize = m_nPosition = 0;
  m_bAutoDelete = TRUE;
}

void CMemFile::GrowFile(SIZE_T newLength) {
  if (newLength <= m_nBufferSize) return;
  if (m_nGrowBytes == 0) AfxThrowFileException(CFileException::diskFull, ENOSPC);
  if (newLength > kMaxMemFile) AfxThrowMemoryException();
  SIZE_T newSize = (newLength + m_nGrowBytes - 1) / m_nGrowBytes * m_nGrowBytes;
  BYTE* grown = m_lpBuffer ? Realloc(m_lpBuffer, newSize) : Alloc(newSize);
  if (!grown) AfxThrowMemoryException();
  std::memset(grown + m_nBufferSize, 0, newSize - m_nBufferSize);
  m_lpBuffer = grown;
  m_nBufferSize = newSize;
}

BYTE* CMemFile::Alloc(SIZE_T bytes) {
  return static_cast<BYTE*>(std::malloc(bytes));
}

BYTE* CMemFile::Realloc(BYTE* block, SIZE_T bytes) {
  return static_cast<BYTE*>(std::realloc(block, bytes));
}

void CMemFile::Free(BYTE* block) {
  std::free(block);
}

// --- CSharedFile ------------------------------------------------------------

CSharedFile::CSharedFile(UINT allocFlags, UINT growBytes)
    : CMemFile(growBytes), m_nAllocFlags(allocFlags) {}

CSharedFile::~CSharedFile() {
  CSharedFile::Close();
}

void CSharedFile::SetHandle(HGLOBAL block, BOOL allowGrow) {
  Close();
  m_hGlobalMemory = block;
  m_lpBuffer = static_cast<BYTE*>(GlobalLock(block));
  m_nBufferSize = m_nFileSize = m_lpBuffer ? GlobalSize(block) : 0;
  if (!m_lpBuffer) m_hGlobalMemory = nullptr;
  if (!allowGrow) m_nGrowBytes = 0;
  m_nPosition = 0;
  m_bAutoDelete = FALSE;
}

HGLOBAL CSharedFile::Detach() {
  HGLOBAL block = m_hGlobalMemory;
  if (block) GlobalUnlock(block);
  m_hGlobalMemory = nullptr;
  CMemFile::Detach();
  return block;
}

void CSharedFile::Close() {
  if (m_hGlobalMemory && !m_bAutoDelete) {
    GlobalUnlock(m_hGlobalMemory);
    m_hGlobalMemory = nullptr;
    m_lpBuffer = nullptr;
  }
  CMemFile::Close();
}

BYTE* CSharedFile::Alloc(SIZE_T bytes) {
  HGLOBAL block = GlobalAlloc(m_nAllocFlags, bytes);
  if (!block) return nullptr;
  m_hGlobalMemory = block;
  return static_cast<BYTE*>(GlobalLock(block));
}

BYTE* CSharedFile::Realloc(BYTE*, SIZE_T bytes) {
  if (!m_hGlobalMemory) return nullptr;
  GlobalUnlock(m_hGlobalMemory);
  HGLOBAL grown = GlobalReAlloc(m_hGlobalMemory, bytes, GMEM_MOVEABLE);
  if (!grown) {
    // The old block is intact: lock it again so the file stays usable.
    GlobalLock(m_hGlobalMemory);
    return nullptr;
  }
  m_hGlobalMemory = grown;
  return static_cast<BYTE*>(GlobalLock(grown));
}

void CSharedFile::Free(BYTE*) {
  if (!m_hGlobalMemory) return;
  GlobalUnlock(m_hGlobalMemory);
  GlobalFree(m_hGlobalMemory);
  m_hGlobalMemory = nullptr;
}
