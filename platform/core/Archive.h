#pragma once
// CArchive: little-endian binary serialisation over a CFile or over memory.
//
// Every value is written byte by byte, least significant first. Reading past
// the end sets a sticky failure state: that read and every later one yield
// zeros and consume nothing, and no byte outside the input is ever touched.
// Loaders test HasFailed() and give their failure result; the document's load
// path turns a failure into a CArchiveException.
//
// A CString is a length prefix and the bytes without terminator: one byte when
// the length is below 255; else 0xFF and a WORD when below 0xFFFE; else 0xFF,
// 0xFFFF and a DWORD.
#include "platform/core/String.h"
#include "platform/core/Types.h"

#include <span>
#include <vector>

class CFile;
class CDocument;

class CArchive {
 public:
  enum Mode : UINT { store = 0, load = 1, bNoFlushOnDelete = 2 };

  // An archive over an open file. Storing collects bytes in a buffer of
  // bufferSize bytes and writes it to the file when full and on Flush/Close.
  // The file's exceptions pass through.
  CArchive(CFile* file, UINT mode, int bufferSize = 4096, void* buffer = nullptr);
  // A storing archive over memory (mode store), or a loading one with no input.
  explicit CArchive(UINT mode);
  // A loading archive over the caller's bytes, which must outlive it.
  explicit CArchive(std::span<const BYTE> bytes);
  // A loading archive over its own copy of the bytes.
  explicit CArchive(std::vector<BYTE> bytes);
  // Flushes a storing file archive unless bNoFlushOnDelete was given.
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsStoring() const { return (m_nMode & load) == 0; }
  BOOL IsLoading() const { return (m_nMode & load) != 0; }
  // TRUE once any read went past the end (or a loader marked the input bad).
  BOOL HasFailed() const { return m_bFailed; }
  // For loaders that find a damaged record: the same sticky state as an over-read.
  void SetFailed() { m_bFailed = TRUE; }
  // Bytes still to be read (0 once failed, and for storing archives), so a
  // loader can check a count against the input before it allocates for it.
  ULONGLONG GetBytesRemaining() const;

  // Raw bytes. Read returns the count read; a short read fills the rest of
  // the destination with zeros and sets the failure state.
  UINT Read(void* buffer, UINT count);
  void Write(const void* buffer, UINT count);

  // Writes the buffered bytes to the file (storing file archives only).
  void Flush();
  // Flushes (storing) and detaches from the file; the file stays open.
  void Close();
  // Detaches without flushing, for cleanup after a failure.
  void Abort();
  CFile* GetFile() const { return m_pFile; }

  // The bytes a storing memory archive has collected.
  const std::vector<BYTE>& GetStoredBytes() const { return m_stored; }
  std::vector<BYTE> TakeStoredBytes();

  CArchive& operator<<(BYTE v);
  CArchive& operator<<(char v) { return *this << static_cast<BYTE>(v); }
  CArchive& operator<<(WORD v);
  CArchive& operator<<(short v) { return *this << static_cast<WORD>(v); }
  CArchive& operator<<(DWORD v);
  CArchive& operator<<(int v) { return *this << static_cast<DWORD>(v); }
  CArchive& operator<<(float v);
  CArchive& operator<<(double v);
  CArchive& operator<<(const CString& s);
  CArchive& operator<<(LPCSTR s) { return *this << CString(s); }
  CArchive& operator<<(bool) = delete;  // no stored width for it: say BYTE or BOOL

  CArchive& operator>>(BYTE& v);
  CArchive& operator>>(char& v);
  CArchive& operator>>(WORD& v);
  CArchive& operator>>(short& v);
  CArchive& operator>>(DWORD& v);
  CArchive& operator>>(int& v);
  CArchive& operator>>(float& v);
  CArchive& operator>>(double& v);
  // A length beyond the remaining input fails without allocating; the string is then empty.
  CArchive& operator>>(CString& s);
  CArchive& operator>>(bool&) = delete;

  // The document being loaded or saved, for loaders that need it.
  CDocument* m_pDocument = nullptr;

 private:
  void PutBytes(const BYTE* bytes, UINT count);
  // All-or-nothing read: on shortage, zeros, failure state, nothing consumed.
  bool GetBytes(BYTE* bytes, UINT count);
  // Bytes left in the input (buffer plus the rest of the file).
  ULONGLONG Remaining() const;
  bool FillBuffer();

  UINT m_nMode;
  BOOL m_bFailed = FALSE;
  CFile* m_pFile = nullptr;
  // File archives: the buffer; [m_nPos, m_nEnd) are unread bytes when loading,
  // [0, m_nPos) are unwritten bytes when storing.
  std::vector<BYTE> m_buffer;
  size_t m_nPos = 0;
  size_t m_nEnd = 0;
  // Memory archives.
  std::vector<BYTE> m_stored;      // storing
  std::vector<BYTE> m_ownedInput;  // loading from a copy
  std::span<const BYTE> m_input;   // loading
  bool m_bMemory = false;
};
