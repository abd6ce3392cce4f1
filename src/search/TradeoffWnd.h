#pragma once
// CTradeoffWnd: the trade-off between one criterion of the recorded designs
// and the others. For each criterion c the population's range of c, from
// the value nearest c's target to that value mirrored about the reference
// design's, is cut into bins; curve c holds per bin the value of the
// selected criterion s nearest s's target among the designs in the bin. The
// window draws the nine curves staggered 10 pixels down and to the left
// each. Nothing in the program opens it yet.
#include "platform/ui/Wnd.h"

#include <memory>

class CQorexDoc;

class CTradeoffWnd : public CWnd {
 public:
  static constexpr int kCriteria = 9;
  static constexpr double kEmpty = 1e300;  // a bin no design falls in (either sign)

  CTradeoffWnd();

  // Frees the curves and makes new ones of bins doubles (at least one).
  void Resize(int bins);
  // The curves from the document's population; nothing without a document,
  // with an empty population or with a reference beyond it.
  void Compute();

  double m_dScale = -50.0;  // pixels per unit of s's range (larger values higher)
  int m_nSelected = 0;      // s
  int m_nReference = 0;     // r
  int m_nBins = 0;
  std::unique_ptr<double[]> m_pCurve[kCriteria];
  double m_dMax[kCriteria] = {};
  double m_dMin[kCriteria] = {};
  double m_dNearest[kCriteria] = {};
  double m_dFarEnd[kCriteria] = {};
  double m_dTarget[kCriteria] = {};
  CQorexDoc* m_pDoc = nullptr;

 protected:
  void OnPaint();
  DECLARE_MESSAGE_MAP()
};
