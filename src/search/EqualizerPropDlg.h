#pragma once
// "Equalizer properties" (template 160): the process-wide settings of the
// searches, the genetic operators and the population. The history strip
// fills the fields from the settings, runs the dialog and stores them back
// after OK (LoadSettings, StoreSettings); a field out of its range keeps the
// dialog open with the layer's range prompt.
#include "platform/ui/Dialog.h"

class CEqualizerPropDlg : public CDialog {
 public:
  explicit CEqualizerPropDlg(CWnd* pParent = nullptr);

  // The fields from the settings; the fractions as the nearest whole percent.
  void LoadSettings();
  // The fields into the settings; the percentages as fractions.
  void StoreSettings() const;

  double m_dErrorSuppression = 0.0;
  int m_nGlobalIterations = 0;
  int m_nLocalIterations = 0;
  int m_nMaxPopulation = 0;
  int m_nMutation = 0;  // per cent
  int m_nOffspring = 0;
  int m_nReduction = 0;  // per cent
  double m_dMagSupKnee = 0.0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
};
