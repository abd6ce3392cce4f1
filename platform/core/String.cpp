#include "platform/core/String.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>

CString::CString(const char* text, int length) {
  if (text && length > 0) m_s.assign(text, strnlen(text, static_cast<size_t>(length)));
}

char CString::GetAt(int i) const {
  return (i >= 0 && i < GetLength()) ? m_s[static_cast<size_t>(i)] : '\0';
}

void CString::SetAt(int i, char ch) {
  if (i >= 0 && i < GetLength()) m_s[static_cast<size_t>(i)] = ch;
}

void CString::FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed < 0) {
    m_s.clear();
    return;
  }
  std::string out(static_cast<size_t>(needed) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(static_cast<size_t>(needed));
  m_s = std::move(out);
}

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::AppendFormat(const char* format, ...) {
  CString tail;
  va_list args;
  va_start(args, format);
  tail.FormatV(format, args);
  va_end(args);
  m_s += tail.m_s;
}

int CString::Compare(const char* other) const {
  return std::strcmp(m_s.c_str(), other ? other : "");
}

int CString::CompareNoCase(const char* other) const {
  return strcasecmp(m_s.c_str(), other ? other : "");
}

CString CString::Left(int count) const {
  count = std::clamp(count, 0, GetLength());
  return CString(m_s.substr(0, static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
  count = std::clamp(count, 0, GetLength());
  return CString(m_s.substr(m_s.size() - static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
  return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
  first = std::clamp(first, 0, GetLength());
  count = std::clamp(count, 0, GetLength() - first);
  return CString(m_s.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

int CString::Find(char ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  size_t at = m_s.find(ch, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* sub, int start) const {
  if (!sub || start < 0 || start > GetLength()) return -1;
  size_t at = m_s.find(sub, static_cast<size_t>(start));
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const {
  size_t at = m_s.rfind(ch);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(const char* chars) const {
  if (!chars) return -1;
  size_t at = m_s.find_first_of(chars);
  return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Replace(char from, char to) {
  int n = 0;
  for (char& c : m_s)
    if (c == from) {
      c = to;
      ++n;
    }
  return n;
}

int CString::Replace(const char* from, const char* to) {
  if (!from || !*from) return 0;
  std::string f(from), t(to ? to : "");
  int n = 0;
  for (size_t at = m_s.find(f); at != std::string::npos; at = m_s.find(f, at + t.size())) {
    m_s.replace(at, f.size(), t);
    ++n;
  }
  return n;
}

int CString::Remove(char ch) {
  size_t before = m_s.size();
  m_s.erase(std::remove(m_s.begin(), m_s.end(), ch), m_s.end());
  return static_cast<int>(before - m_s.size());
}

int CString::Insert(int index, char ch) {
  index = std::clamp(index, 0, GetLength());
  m_s.insert(m_s.begin() + index, ch);
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index >= 0 && index < GetLength() && count > 0)
    m_s.erase(static_cast<size_t>(index), static_cast<size_t>(count));
  return GetLength();
}

CString& CString::MakeUpper() {
  for (char& c : m_s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return *this;
}

CString& CString::MakeLower() {
  for (char& c : m_s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return *this;
}

CString& CString::TrimLeft() {
  size_t i = 0;
  while (i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[i]))) ++i;
  m_s.erase(0, i);
  return *this;
}

CString& CString::TrimRight() {
  while (!m_s.empty() && std::isspace(static_cast<unsigned char>(m_s.back()))) m_s.pop_back();
  return *this;
}

CString CString::SpanIncluding(const char* chars) const {
  size_t n = m_s.find_first_not_of(chars ? chars : "");
  return Left(n == std::string::npos ? GetLength() : static_cast<int>(n));
}

CString CString::SpanExcluding(const char* chars) const {
  size_t n = m_s.find_first_of(chars ? chars : "");
  return Left(n == std::string::npos ? GetLength() : static_cast<int>(n));
}

char* CString::GetBuffer(int minLength) {
  if (minLength > GetLength()) m_s.resize(static_cast<size_t>(minLength));
  return m_s.data();
}

char* CString::GetBufferSetLength(int length) {
  m_s.resize(static_cast<size_t>(std::max(length, 0)));
  return m_s.data();
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) {
    m_s.resize(std::strlen(m_s.c_str()));
  } else {
    m_s.resize(std::min(static_cast<size_t>(newLength), m_s.size()));
  }
}

int lstrlen(const char* text) {
  return text ? static_cast<int>(std::strlen(text)) : 0;
}

int lstrcmpA(const char* a, const char* b) {
  int r = std::strcmp(a ? a : "", b ? b : "");
  return (r > 0) - (r < 0);
}

int lstrcmpiA(const char* a, const char* b) {
  int r = strcasecmp(a ? a : "", b ? b : "");
  return (r > 0) - (r < 0);
}

char* lstrcpy(char* dest, const char* src) {
  if (!dest) return nullptr;
  std::strcpy(dest, src ? src : "");
  return dest;
}

char* lstrcpyn(char* dest, const char* src, int maxCount) {
  if (!dest || maxCount <= 0) return dest;
  size_t n = strnlen(src ? src : "", static_cast<size_t>(maxCount - 1));
  if (n) std::memcpy(dest, src, n);
  dest[n] = '\0';
  return dest;
}

#include <map>
#include <mutex>

namespace {
std::map<UINT, std::string>& StringTable() {
  static std::map<UINT, std::string> table;
  return table;
}
std::mutex g_stringTableLock;
}  // namespace

void AfxRegisterString(UINT id, const char* text) {
  std::lock_guard lock(g_stringTableLock);
  StringTable()[id] = text ? text : "";
}

const char* AfxLoadString(UINT id) {
  std::lock_guard lock(g_stringTableLock);
  auto it = StringTable().find(id);
  return it == StringTable().end() ? nullptr : it->second.c_str();
}

BOOL CString::LoadString(UINT id) {
  const char* text = AfxLoadString(id);
  m_s = text ? text : "";
  return text != nullptr;
}
