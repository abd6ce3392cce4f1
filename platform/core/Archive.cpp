#include "platform/core/Archive.h"

#include "platform/core/Exceptions.h"
#include "platform/core/File.h"

#include <algorithm>
#include <cstring>

CArchive::CArchive(CFile* file, UINT mode, int bufferSize, void*)
    : m_nMode(mode), m_pFile(file), m_bMemory(file == nullptr) {
  // The caller's buffer is not needed: the archive keeps its own.
  m_buffer.resize(static_cast<size_t>(bufferSize > 0 ? bufferSize : 4096));
}

CArchive::CArchive(UINT mode) : m_nMode(mode), m_bMemory(true) {}

CArchive::CArchive(std::span<const BYTE> bytes) : m_nMode(load), m_input(bytes), m_bMemory(true) {}

CArchive::CArchive(std::vector<BYTE> bytes)
    : m_nMode(load), m_ownedInput(std::move(bytes)), m_bMemory(true) {
  m_input = m_ownedInput;
}

CArchive::~CArchive() {
  if (m_pFile && IsStoring() && !(m_nMode & bNoFlushOnDelete)) {
    // A destructor cannot report: a caller that must know calls Close itself.
    try {
      Flush();
    } catch (CException* e) {
      e->Delete();
    }
  }
}

std::vector<BYTE> CArchive::TakeStoredBytes() {
  std::vector<BYTE> bytes = std::move(m_stored);
  m_stored.clear();
  return bytes;
}

void CArchive::Flush() {
  if (!m_pFile) return;
  if (IsStoring()) {
    if (m_nPos > 0) {
      size_t pending = m_nPos;
      m_nPos = 0;
      m_pFile->Write(m_buffer.data(), static_cast<UINT>(pending));
    }
  } else if (m_nEnd > m_nPos) {
    // Give the file back the bytes read ahead, so its position is the archive's.
    m_pFile->Seek(-static_cast<LONGLONG>(m_nEnd - m_nPos), CFile::current);
    m_nPos = m_nEnd = 0;
  }
}

void CArchive::Close() {
  Flush();
  m_pFile = nullptr;
}

void CArchive::Abort() {
  m_pFile = nullptr;
  m_nPos = m_nEnd = 0;
}

// --- writing ----------------------------------------------------------------

void CArchive::PutBytes(const BYTE* bytes, UINT count) {
  if (IsLoading()) AfxThrowArchiveException(CArchiveException::readOnly);
  if (count == 0) return;
  if (m_bMemory) {
    m_stored.insert(m_stored.end(), bytes, bytes + count);
    return;
  }
  if (!m_pFile) AfxThrowArchiveException(CArchiveException::generic);
  while (count > 0) {
    size_t chunk = std::min<size_t>(count, m_buffer.size() - m_nPos);
    std::memcpy(m_buffer.data() + m_nPos, bytes, chunk);
    m_nPos += chunk;
    bytes += chunk;
    count -= static_cast<UINT>(chunk);
    if (m_nPos == m_buffer.size()) Flush();
  }
}

void CArchive::Write(const void* buffer, UINT count) {
  PutBytes(static_cast<const BYTE*>(buffer), count);
}

CArchive& CArchive::operator<<(BYTE v) {
  PutBytes(&v, 1);
  return *this;
}

CArchive& CArchive::operator<<(WORD v) {
  BYTE bytes[2] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8)};
  PutBytes(bytes, 2);
  return *this;
}

CArchive& CArchive::operator<<(DWORD v) {
  BYTE bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(v >> (8 * i));
  PutBytes(bytes, 4);
  return *this;
}

CArchive& CArchive::operator<<(float v) {
  DWORD bits;
  std::memcpy(&bits, &v, sizeof bits);
  return *this << bits;
}

CArchive& CArchive::operator<<(double v) {
  ULONGLONG bits;
  std::memcpy(&bits, &v, sizeof bits);
  BYTE bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<BYTE>(bits >> (8 * i));
  PutBytes(bytes, 8);
  return *this;
}

CArchive& CArchive::operator<<(const CString& s) {
  DWORD length = static_cast<DWORD>(s.GetLength());
  if (length < 0xFF) {
    *this << static_cast<BYTE>(length);
  } else if (length < 0xFFFE) {
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(length);
  } else {
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << length;
  }
  PutBytes(reinterpret_cast<const BYTE*>(s.GetString()), length);
  return *this;
}

// --- reading ----------------------------------------------------------------

bool CArchive::FillBuffer() {
  m_nPos = 0;
  m_nEnd = m_pFile ? m_pFile->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size())) : 0;
  return m_nEnd > 0;
}

ULONGLONG CArchive::Remaining() const {
  if (m_bMemory) return m_input.size() - m_nPos;
  ULONGLONG inBuffer = m_nEnd - m_nPos;
  if (!m_pFile) return inBuffer;
  ULONGLONG length = m_pFile->GetLength(), position = m_pFile->GetPosition();
  return inBuffer + (length > position ? length - position : 0);
}

ULONGLONG CArchive::GetBytesRemaining() const {
  return (IsStoring() || m_bFailed) ? 0 : Remaining();
}

bool CArchive::GetBytes(BYTE* bytes, UINT count) {
  if (IsStoring()) AfxThrowArchiveException(CArchiveException::writeOnly);
  if (count == 0) return !m_bFailed;
  size_t buffered = m_bMemory ? m_input.size() - m_nPos : m_nEnd - m_nPos;
  if (m_bFailed || (buffered < count && Remaining() < count)) {
    std::memset(bytes, 0, count);
    m_bFailed = TRUE;
    return false;
  }
  return Read(bytes, count) == count;
}

UINT CArchive::Read(void* buffer, UINT count) {
  if (IsStoring()) AfxThrowArchiveException(CArchiveException::writeOnly);
  BYTE* out = static_cast<BYTE*>(buffer);
  UINT done = 0;
  if (!m_bFailed) {
    if (m_bMemory) {
      done = static_cast<UINT>(std::min<size_t>(count, m_input.size() - m_nPos));
      if (done) std::memcpy(out, m_input.data() + m_nPos, done);
      m_nPos += done;
    } else {
      while (done < count && (m_nPos < m_nEnd || FillBuffer())) {
        size_t chunk = std::min<size_t>(count - done, m_nEnd - m_nPos);
        std::memcpy(out + done, m_buffer.data() + m_nPos, chunk);
        m_nPos += chunk;
        done += static_cast<UINT>(chunk);
      }
    }
  }
  if (done < count) {
    std::memset(out + done, 0, count - done);
    m_bFailed = TRUE;
  }
  return done;
}

CArchive& CArchive::operator>>(BYTE& v) {
  GetBytes(&v, 1);
  return *this;
}

CArchive& CArchive::operator>>(char& v) {
  BYTE b;
  *this >> b;
  v = static_cast<char>(b);
  return *this;
}

CArchive& CArchive::operator>>(WORD& v) {
  BYTE bytes[2];
  GetBytes(bytes, 2);
  v = static_cast<WORD>(bytes[0] | (bytes[1] << 8));
  return *this;
}

CArchive& CArchive::operator>>(short& v) {
  WORD w;
  *this >> w;
  v = static_cast<short>(w);
  return *this;
}

CArchive& CArchive::operator>>(DWORD& v) {
  BYTE bytes[4];
  GetBytes(bytes, 4);
  v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | bytes[i];
  return *this;
}

CArchive& CArchive::operator>>(int& v) {
  DWORD d;
  *this >> d;
  v = static_cast<int>(d);
  return *this;
}

CArchive& CArchive::operator>>(float& v) {
  DWORD bits;
  *this >> bits;
  std::memcpy(&v, &bits, sizeof v);
  return *this;
}

CArchive& CArchive::operator>>(double& v) {
  BYTE bytes[8];
  GetBytes(bytes, 8);
  ULONGLONG bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | bytes[i];
  std::memcpy(&v, &bits, sizeof v);
  return *this;
}

CArchive& CArchive::operator>>(CString& s) {
  s.Empty();
  BYTE shortLength;
  *this >> shortLength;
  DWORD length = shortLength;
  if (shortLength == 0xFF) {
    WORD wordLength;
    *this >> wordLength;
    length = wordLength;
    if (wordLength == 0xFFFF) {
      *this >> length;
    } else if (wordLength == 0xFFFE) {
      // The marker of a wide-character string, which this system never writes.
      m_bFailed = TRUE;
    }
  }
  // Check the length against the input before allocating anything for it.
  if (m_bFailed || length > Remaining()) {
    m_bFailed = TRUE;
    return *this;
  }
  std::string text(length, '\0');
  if (GetBytes(reinterpret_cast<BYTE*>(text.data()), length)) s = CString(std::move(text));
  return *this;
}
