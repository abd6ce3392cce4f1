#pragma once
// "Build Controller": the type, shape and number of pure integrators of the
// controller that "Edit Models" builds (ModelBuilders.h), and whether the
// Controller is made square first. Choosing a type sets a fitting type
// number; OK refuses integral action without an integrator.
#include "editing/ModelBuilders.h"
#include "platform/ui/Dialog.h"
#include "res/resource.h"  // IDD_ADDCONTROLLER and its fields IDC_CONTROLLER_*

class CAddControllerDlg : public CDialog {
 public:
  // Full, proportional, square, no integrator.
  explicit CAddControllerDlg(CWnd* pParent = nullptr);

  int m_nShape;       // ControllerShape
  int m_nType;        // ControllerType
  BOOL m_bSquare;     // make the Controller square first
  int m_nTypeNumber;  // pure integrators N

  ControllerSpec Spec() const;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  // PI and PID need N >= 1: "Type number must be atleast 1 for integral action."
  void OnOK() override;
  // Proportional and PD: N := 0; PI and PID: N raised to at least 1.
  void OnSelchangeType();

  DECLARE_MESSAGE_MAP()
};
