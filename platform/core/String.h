#pragma once
// CString: the framework's narrow, value-semantics string (std::string inside).
// Converts implicitly to const char* as callers expect; Format is printf-style.
#include "platform/core/Types.h"

#include <cstdarg>
#include <string>
#include <string_view>

class CString {
 public:
  CString() = default;
  CString(const char* text) : m_s(text ? text : "") {}
  CString(const char* text, int length);
  CString(char ch, int repeat = 1) : m_s(repeat > 0 ? repeat : 0, ch) {}
  CString(std::string s) : m_s(std::move(s)) {}
  CString(std::string_view s) : m_s(s) {}

  int GetLength() const { return static_cast<int>(m_s.size()); }
  bool IsEmpty() const { return m_s.empty(); }
  void Empty() { m_s.clear(); }
  char GetAt(int i) const;
  void SetAt(int i, char ch);
  char operator[](int i) const { return GetAt(i); }
  operator const char*() const { return m_s.c_str(); }
  const char* GetString() const { return m_s.c_str(); }
  const std::string& str() const { return m_s; }

  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void FormatV(const char* format, va_list args);
  void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

  CString& operator=(const char* text) {
    m_s = text ? text : "";
    return *this;
  }
  CString& operator=(char ch) {
    m_s.assign(1, ch);
    return *this;
  }
  CString& operator+=(const CString& other) {
    m_s += other.m_s;
    return *this;
  }
  CString& operator+=(const char* text) {
    if (text) m_s += text;
    return *this;
  }
  CString& operator+=(char ch) {
    m_s += ch;
    return *this;
  }

  int Compare(const char* other) const;
  int CompareNoCase(const char* other) const;

  CString Left(int count) const;
  CString Right(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  int Find(char ch, int start = 0) const;
  int Find(const char* sub, int start = 0) const;
  int ReverseFind(char ch) const;
  int FindOneOf(const char* chars) const;
  int Replace(char from, char to);
  int Replace(const char* from, const char* to);
  int Remove(char ch);
  int Insert(int index, char ch);
  int Delete(int index, int count = 1);
  CString& MakeUpper();
  CString& MakeLower();
  CString& TrimLeft();
  CString& TrimRight();
  CString& Trim() { return TrimRight().TrimLeft(); }
  CString SpanIncluding(const char* chars) const;
  CString SpanExcluding(const char* chars) const;

  // A writable buffer of at least minLength characters; ReleaseBuffer ends the
  // string at its first zero (or at newLength when that is given).
  char* GetBuffer(int minLength = 0);
  char* GetBufferSetLength(int length);
  void ReleaseBuffer(int newLength = -1);

  // Loads a string-table entry through the resource hook (see Resources.h).
  BOOL LoadString(UINT id);

  friend CString operator+(const CString& a, const CString& b) { return CString(a.m_s + b.m_s); }
  friend CString operator+(const CString& a, const char* b) {
    return CString(a.m_s + (b ? b : ""));
  }
  friend CString operator+(const char* a, const CString& b) {
    return CString((a ? a : "") + b.m_s);
  }
  friend CString operator+(const CString& a, char b) { return CString(a.m_s + b); }
  friend CString operator+(char a, const CString& b) { return CString(a + b.m_s); }
  friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
  friend bool operator==(const CString& a, const char* b) { return a.m_s == (b ? b : ""); }
  friend bool operator==(const char* a, const CString& b) { return b == a; }
  friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
  friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
  friend bool operator!=(const char* a, const CString& b) { return !(b == a); }
  friend bool operator<(const CString& a, const CString& b) { return a.m_s < b.m_s; }

 private:
  std::string m_s;
};

int lstrlen(const char* text);
int lstrcmpA(const char* a, const char* b);
int lstrcmpiA(const char* a, const char* b);
inline int lstrcmp(const char* a, const char* b) {
  return lstrcmpA(a, b);
}
inline int lstrcmpi(const char* a, const char* b) {
  return lstrcmpiA(a, b);
}
char* lstrcpy(char* dest, const char* src);
char* lstrcpyn(char* dest, const char* src, int maxCount);

// The string table: resources register their entries at start-up; LoadString
// and AfxLoadString read them. An unknown id gives FALSE and an empty string.
void AfxRegisterString(UINT id, const char* text);
const char* AfxLoadString(UINT id);  // null when unknown
