#pragma once
// CFile: a binary file on disk (std::FILE inside); CMemFile: a file in a
// growable memory block; CSharedFile: a memory file in a global memory block,
// for clipboard data. Failures throw CFileException* (see Exceptions.h),
// except Open, which reports them through its result.
#include "platform/core/Exceptions.h"
#include "platform/core/GlobalMemory.h"
#include "platform/core/Object.h"
#include "platform/core/String.h"

#include <cstdio>

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)

 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  CFile() = default;
  // Opens at once; throws CFileException* when that fails.
  CFile(LPCSTR path, UINT openFlags);
  ~CFile() override;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // FALSE on failure, with the cause in *error when given. Sharing flags are
  // accepted and not enforced.
  virtual BOOL Open(LPCSTR path, UINT openFlags, CFileException* error = nullptr);
  // Returns the bytes read; fewer than asked at the end of the file.
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* buffer, UINT count);
  // Returns the new position; a position before the start throws badSeek.
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetLength() const;
  virtual ULONGLONG GetPosition() const;
  virtual void Flush();
  virtual void Close();
  // Closes without reporting errors (for cleanup after a failure).
  virtual void Abort();
  virtual BOOL IsOpen() const { return m_pStream != nullptr; }

  CString GetFilePath() const { return m_strFileName; }
  // The name after the last '/'.
  CString GetFileName() const;

  static void Rename(LPCSTR oldName, LPCSTR newName);
  static void Remove(LPCSTR fileName);

 protected:
  // Throws the CFileException for the C library's errno (or fallback when errno is 0).
  [[noreturn]] void ThrowOsError(int fallback) const;
  // The C library needs a seek between a write and a following read, and back.
  void SwitchDirection(bool writing);

  std::FILE* m_pStream = nullptr;
  CString m_strFileName;
  UINT m_nOpenFlags = 0;
  mutable int m_nLastOp = 0;  // 0 none or seek, 1 read, 2 write
};

class CMemFile : public CFile {
  DECLARE_DYNAMIC(CMemFile)

 public:
  // An empty file that grows in steps of growBytes.
  explicit CMemFile(UINT growBytes = 1024);
  // A file over the caller's buffer (see Attach).
  CMemFile(BYTE* buffer, UINT size, UINT growBytes = 0);
  ~CMemFile() override;

  // Uses the caller's buffer as the file. growBytes 0: the buffer is not
  // grown, its size is the file's length, and writing past it throws diskFull;
  // otherwise the length starts at 0 and the buffer grows on demand (it must
  // then come from std::malloc, since the file reallocates and frees it).
  void Attach(BYTE* buffer, UINT size, UINT growBytes = 0);
  // Returns the buffer (the caller's now) and leaves the file empty.
  BYTE* Detach();

  BOOL Open(LPCSTR path, UINT openFlags, CFileException* error = nullptr) override;
  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  ULONGLONG Seek(LONGLONG offset, UINT from) override;
  ULONGLONG GetLength() const override { return m_nFileSize; }
  ULONGLONG GetPosition() const override { return m_nPosition; }
  void SetLength(ULONGLONG length);
  void Flush() override {}
  void Close() override;
  void Abort() override { Close(); }
  BOOL IsOpen() const override { return TRUE; }

 protected:
  // Memory management that CSharedFile replaces with global memory.
  virtual BYTE* Alloc(SIZE_T bytes);
  virtual BYTE* Realloc(BYTE* block, SIZE_T bytes);
  virtual void Free(BYTE* block);
  void GrowFile(SIZE_T newLength);

  UINT m_nGrowBytes;
  SIZE_T m_nPosition = 0;
  SIZE_T m_nBufferSize = 0;
  SIZE_T m_nFileSize = 0;
  BYTE* m_lpBuffer = nullptr;
  BOOL m_bAutoDelete = TRUE;  // the file frees its buffer
};

class CSharedFile : public CMemFile {
  DECLARE_DYNAMIC(CSharedFile)

 public:
  explicit CSharedFile(UINT allocFlags = GMEM_DDESHARE | GMEM_MOVEABLE, UINT growBytes = 4096);
  ~CSharedFile() override;

  // Uses the block as the file without taking it over: the file's length is
  // the block's size, and the block is not freed by the file.
  void SetHandle(HGLOBAL block, BOOL allowGrow = TRUE);
  // Returns the block (the caller's now) and leaves the file empty.
  HGLOBAL Detach();
  // Frees the block when the file owns it; releases it otherwise.
  void Close() override;

 protected:
  BYTE* Alloc(SIZE_T bytes) override;
  BYTE* Realloc(BYTE* block, SIZE_T bytes) override;
  void Free(BYTE* block) override;

  UINT m_nAllocFlags;
  HGLOBAL m_hGlobalMemory = nullptr;
};
