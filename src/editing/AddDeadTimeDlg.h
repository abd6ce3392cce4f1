#pragma once
// "Add Dead-Time": the amount T, the order of the approximation, the element
// (1-based) of the model it multiplies and whether T is a fixed number or a
// design variable (ModelBuilders.h). The caller gives the model's size; OK
// refuses an element outside it, and an amount and order whose approximation
// does not exist in doubles.
#include "editing/ModelBuilders.h"
#include "platform/ui/Dialog.h"
#include "res/resource.h"  // IDD_ADDDEADTIME and its fields IDC_DEADTIME_*

// printf format of the refusal at OK: the amount, then the order.
inline constexpr char kDeadTimeDoesNotFitFormat[] =
    "A dead time of %g [s] cannot be approximated to order %d in double precision: the "
    "approximation's coefficients overflow, vanish or give unstable poles.\nChoose another "
    "amount or a lower order.";

class CAddDeadTimeDlg : public CDialog {
 public:
  // Element (1, 1), amount 1, order 1, variable; the size is the caller's.
  explicit CAddDeadTimeDlg(CWnd* pParent = nullptr);

  int m_nRows = 0;  // of the model's right side, set by the caller
  int m_nCols = 0;
  int m_nColumn;     // 1 .. 10000
  double m_dAmount;  // seconds
  BOOL m_bFixed;     // T is a number, not a variable
  int m_nOrder;      // 1 .. 100
  int m_nRow;        // 1 .. 10000

  // The builder's spec: the element 0-based.
  DeadTimeSpec Spec() const;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  // "The specified matrix element does not exist." for an element outside
  // m_nRows x m_nCols; kDeadTimeDoesNotFitFormat for an amount and order
  // whose approximation does not exist in doubles (DeadTimeFitsDoubles).
  void OnOK() override;
};
