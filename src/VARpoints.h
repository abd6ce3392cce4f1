#pragma once
// CVARpoints: the locus of one tracked variable: the closed-loop roots
// collected while the loop system sweeps the variable (CSIMsystem::
// ParameterLoci), drawn as coloured points in the root-locus diagram.
//
// Code word: bits 0-3 the sweep mode (0 "Logarithmic", 1 "10% deviation",
// 2 "25% deviation", 3 "50% deviation", 4 "100% deviation"), bits 12-15 the
// colour (0 "Red", 1 "Green", 2 "Blue", 3 "Gray", 4 "Purple").
//
// Growth: when count + n >= capacity before adding n - 1 points, the capacity
// becomes capacity + count + n and the points in use move to the new array.
// The points are never stored; the record holds the settings only.
#include "MC/McComplex.h"
#include "platform/core/Types.h"

#include <memory>

class CArchive;

class CVARpoints {
 public:
  // Variable entry 5 (the first user variable), 30 steps, gains 0.01 .. 100,
  // code 0, room for 128 points, none in use.
  CVARpoints();
  virtual ~CVARpoints();
  CVARpoints(const CVARpoints&) = delete;
  CVARpoints& operator=(const CVARpoints&) = delete;

  void Clear() { m_nCount = 0; }

  // Appends the n - 1 roots of the real polynomial coefs[0 .. n - 1]
  // (ascending powers; unpolished), the root finder's last root first, then
  // its first, second, ... A polynomial the root finder refuses (degree
  // outside 1 .. 255, a zero leading coefficient, a non-finite coefficient)
  // adds nothing and yields false; n < 2 adds nothing and yields true.
  bool AddRoots(const double* coefs, int n);
  // Appends points[1 .. n - 1]; nothing when n < 2.
  void Append(const McComplex* points, int n);

  // The 26-byte record: int variable, int steps, double minimum gain, double
  // maximum gain, word code. A truncated record changes nothing and yields FALSE.
  BOOL Serialize(CArchive& ar);

  // The code word's two fields, packed and unpacked in the stored layout
  // above: the mode in bits 0-3, the colour in bits 12-15, each kept to its
  // four bits; bits 4-11 stay clear.
  static constexpr WORD PackCode(int mode, int colour) {
    return static_cast<WORD>(((colour & kFieldMask) << kColourShift) | (mode & kFieldMask));
  }
  static constexpr int ModeOf(WORD code) { return code & kFieldMask; }
  static constexpr int ColourOf(WORD code) { return (code >> kColourShift) & kFieldMask; }

  int Mode() const { return ModeOf(m_wCode); }
  int Colour() const { return ColourOf(m_wCode); }

  // ---- data -----------------------------------------------------------------
  std::unique_ptr<McComplex[]> m_pPoints;
  int m_nCapacity;
  int m_nCount;
  int m_nVariable;  // entry index in the variable table
  int m_nSteps;
  double m_dMinGain;
  double m_dMaxGain;
  WORD m_wCode;

 private:
  static constexpr int kFieldMask = 0xF;
  static constexpr int kColourShift = 12;

  // Room for n more entries after the points in use, by the growth rule above.
  void Grow(int n);
};
