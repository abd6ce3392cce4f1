#pragma once
// "Add Nodes": the range, spacing and unit of the frequency nodes the design
// view adds, and their first inertia and label. OK refuses a start not above
// 0 (the view's decade loop would never pass the stop) and a start not below
// the stop.
#include "platform/ui/Dialog.h"
#include "res/resource.h"  // IDD_ADDNODES and its fields IDC_NODES_*

class CAddNodes : public CDialog {
 public:
  // Radians, labels shown, inertia 0, 0.01 to 1000, one node per decade.
  explicit CAddNodes(CWnd* pParent = nullptr);

  BOOL m_bRadians;     // values in rad/s; FALSE: in hertz
  BOOL m_bShowLabels;  // the new nodes show their labels
  double m_dInertia;   // 0 .. 1e300
  double m_dStart;     // 0 .. 1e300
  double m_dStop;      // 0 .. 1e300
  int m_nSpacing;      // 0 decade, 1 half, 2 fifth, 3 tenth

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
};
