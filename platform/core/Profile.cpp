#include "platform/core/Profile.h"

#include "platform/core/FileReplacement.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A profile bigger than this is not ours: treat it as empty rather than read it all.
constexpr std::uintmax_t kMaxProfileBytes = 4u << 20;

struct Section {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;
};
using Profile = std::vector<Section>;

std::mutex g_lock;
std::string g_company;
std::string g_profileName = "Quorvathine";

std::string Trim(const std::string& s) {
  size_t first = 0, last = s.size();
  while (first < last && std::isspace(static_cast<unsigned char>(s[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(s[last - 1]))) --last;
  return s.substr(first, last - first);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string PathLocked() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  fs::path base;
  if (xdg && *xdg == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = fs::path(home && *home ? home : ".") / ".config";
  }
  if (!g_company.empty()) base /= g_company;
  return (base / (g_profileName + ".ini")).string();
}

// A value with surrounding blanks or quotes is written quoted, so it reads back unchanged.
std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

std::string Quote(const std::string& value) {
  bool needs = !value.empty() &&
               (std::isspace(static_cast<unsigned char>(value.front())) ||
                std::isspace(static_cast<unsigned char>(value.back())) || value.front() == '"');
  return needs ? "\"" + value + "\"" : value;
}

Profile ReadProfile(const std::string& path) {
  Profile profile;
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  if (ec || size > kMaxProfileBytes) return profile;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      if (close == std::string::npos || close == 0) continue;
      profile.push_back({Trim(line.substr(1, close - 1)), {}});
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos || profile.empty()) continue;
    profile.back().entries.emplace_back(Trim(line.substr(0, equals)),
                                        Unquote(Trim(line.substr(equals + 1))));
  }
  return profile;
}

bool WriteProfile(const std::string& path, const Profile& profile) {
  std::ostringstream text;
  for (const Section& section : profile) {
    text << '[' << section.name << "]\n";
    for (const auto& [entry, value] : section.entries) text << entry << '=' << Quote(value) << '\n';
    text << '\n';
  }
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  if (ec) return false;
  // A crash or a failed write leaves the old profile, never a cut one.
  const std::string bytes = text.str();
  QxFileReplacement replacement(path);
  return replacement.Begin() == 0 && replacement.Write(bytes.data(), bytes.size()) == 0 &&
         replacement.Commit() == 0;
}

Section* FindSection(Profile& profile, const std::string& name) {
  for (Section& section : profile)
    if (SameName(section.name, name)) return &section;
  return nullptr;
}

const std::string* FindValue(Profile& profile, const std::string& section,
                             const std::string& entry) {
  Section* found = FindSection(profile, section);
  if (!found) return nullptr;
  for (const auto& [name, value] : found->entries)
    if (SameName(name, entry)) return &value;
  return nullptr;
}

bool HasLineBreak(const std::string& s) {
  return s.find_first_of("\r\n") != std::string::npos;
}

bool ValidSectionName(const std::string& s) {
  return !s.empty() && !HasLineBreak(s) && s.find(']') == std::string::npos;
}

bool ValidEntryName(const std::string& s) {
  return !s.empty() && !HasLineBreak(s) && s.find('=') == std::string::npos && s[0] != '[' &&
         s[0] != ';';
}

// Whole-string signed decimal within 32 bits.
bool ParseInt(const std::string& text, int* value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  long long magnitude = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > 2147483648LL) return false;
  }
  long long result = negative ? -magnitude : magnitude;
  if (result > 2147483647LL) return false;
  *value = static_cast<int>(result);
  return true;
}

}  // namespace

namespace QxProfile {

void SetRegistryKey(LPCSTR company) {
  std::lock_guard guard(g_lock);
  g_company = company ? company : "";
}

void SetProfileName(LPCSTR name) {
  std::lock_guard guard(g_lock);
  g_profileName = name && *name ? name : "Quorvathine";
}

std::string GetPath() {
  std::lock_guard guard(g_lock);
  return PathLocked();
}

int GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) {
  if (!section || !entry) return defaultValue;
  std::lock_guard guard(g_lock);
  Profile profile = ReadProfile(PathLocked());
  const std::string* value = FindValue(profile, Trim(section), Trim(entry));
  int result;
  return value && ParseInt(*value, &result) ? result : defaultValue;
}

CString GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue) {
  CString fallback(defaultValue);
  if (!section || !entry) return fallback;
  std::lock_guard guard(g_lock);
  Profile profile = ReadProfile(PathLocked());
  const std::string* value = FindValue(profile, Trim(section), Trim(entry));
  return value ? CString(*value) : fallback;
}

BOOL WriteProfileInt(LPCSTR section, LPCSTR entry, int value) {
  return WriteProfileString(section, entry, std::to_string(value).c_str());
}

BOOL WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value) {
  if (!section) return FALSE;
  std::string sectionName = Trim(section);
  std::string entryName = entry ? Trim(entry) : std::string();
  if (!ValidSectionName(sectionName)) return FALSE;
  if (entry && !ValidEntryName(entryName)) return FALSE;
  if (value && HasLineBreak(value)) return FALSE;

  std::lock_guard guard(g_lock);
  std::string path = PathLocked();
  Profile profile = ReadProfile(path);
  Section* found = FindSection(profile, sectionName);
  if (!entry) {
    if (!found) return TRUE;
    profile.erase(profile.begin() + (found - profile.data()));
    return WriteProfile(path, profile);
  }
  if (!found) {
    if (!value) return TRUE;
    profile.push_back({sectionName, {}});
    found = &profile.back();
  }
  auto& entries = found->entries;
  auto it = entries.begin();
  while (it != entries.end() && !SameName(it->first, entryName)) ++it;
  if (!value) {
    if (it == entries.end()) return TRUE;
    entries.erase(it);
  } else if (it == entries.end()) {
    entries.emplace_back(entryName, value);
  } else {
    it->second = value;
  }
  return WriteProfile(path, profile);
}

}  // namespace QxProfile
