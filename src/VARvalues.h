#pragma once
// CVARvalues: a document's table of variables. Every name that occurs in the
// document's expressions has one entry with a value, a range, a style word and a
// used mark; variable nodes hold the index of their entry and evaluation reads
// m_pValue at that index.
//
// Entries 0-4 are the reserved names s, t, j (constant), e (constant) and pi
// (the Greek constant "p"); entry 5 is the user variable f with subscript 11.
// User index = entry - 5. Entries are never removed; the capacity starts at 256,
// doubles when an addition finds the table full, and is stored in the file.
#include "platform/core/Types.h"

#include <memory>
#include <string>
#include <vector>

class CArchive;
class CListBox;
class CMcBasic;

class CVARvalues {
 public:
  // The first entry after the reserved names: the first a design may vary.
  static constexpr int kFirstFreeEntry = 5;

  CVARvalues();
  virtual ~CVARvalues();
  CVARvalues(const CVARvalues&) = delete;
  CVARvalues& operator=(const CVARvalues&) = delete;

  // Binds every variable node of the tree to its entry: the first entry with the
  // same name, subscript and style bits (kMcVariableStyleMask), else a new entry with
  // value 1 and range -10..10. Marks the entry used.
  void BindVariables(CMcBasic* node);

  // Makes or reuses the pair of entries (name, prefix + n) and
  // (name, prefix + n + "j") for the real and imaginary part of one root.
  // A free pair (both marks 0) among the existing ones is handed out again and
  // its name and subscript copied into the buffers; otherwise the number of
  // pairs with this prefix plus 1 is appended to the subscript buffer and a new
  // pair is made. Both entries end up used. Returns the first entry's index, or
  // -1 when the subscript buffer (its size includes the zero byte) cannot hold
  // the result. The name needs no rewriting: a reused pair has that very name.
  int AddNumbered(const char* name, char* subscript, int subscriptSize);

  // Adds one line per used user variable, in table order from entry 5: the
  // name, or "name.subscript"; each line's item data is its user index.
  void FillList(CListBox* list) const;

  // Accessors by user index (entry index - 5); the caller keeps the index valid.
  void Get(int userIndex, double* value, double* minimum, double* maximum) const;
  void SetValue(int userIndex, double value);
  void SetRange(int userIndex, double minimum, double maximum);

  // Exchanges the whole table with other's.
  void Swap(CVARvalues& other);

  // Stores or loads the table record. Loading replaces the whole table only
  // when the record is sound; a truncated or inconsistent record leaves the
  // table as it was and yields FALSE (the archive's failure state tells the rest).
  BOOL Serialize(CArchive& ar);

  // Name and subscript (possibly empty) of an entry.
  const char* GetName(int entry) const { return m_ppNames[entry].get(); }
  const char* GetSubscript(int entry) const;
  // Length of an entry's buffer: name + subscript + 2.
  int GetBufferLength(int entry) const;
  // The first entry with this name, subscript and style (kMcVariableStyleMask), or -1.
  int Find(const char* name, const char* subscript, WORD style) const;

  // Parallel arrays, each of m_nCapacity elements, indexed by entry.
  std::unique_ptr<double[]> m_pValue;
  std::unique_ptr<double[]> m_pMin;
  std::unique_ptr<double[]> m_pMax;
  std::unique_ptr<WORD[]> m_pFlags;  // style word: 0x0100 constant, 0x0010 Greek
  std::unique_ptr<BYTE[]> m_pUsed;   // 1 while a current definition uses the entry
  std::unique_ptr<std::unique_ptr<char[]>[]> m_ppNames;  // "name\0subscript\0"
  int m_nCount;
  int m_nCapacity;

 private:
  // Appends an entry (doubling the capacity first when full); returns its index.
  int Append(const char* name, const char* subscript, double value, double minimum, double maximum,
             WORD style, BYTE used);
  void Reserve(int capacity);
};
