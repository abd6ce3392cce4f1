#pragma once
// "Edit Models": edits copies of a design's five model definitions in a
// formula editor window, sets each model's three flags, builds a controller
// or a dead time into the shown copy (ModelBuilders.h), and keeps models in,
// and takes them from, the design's model library. The copies replace the
// design's models only at an OK that finds every one of them buildable; the
// signals, carried along, are made to fit and written back with them.
//
// Changes that reach the design before OK and stay after Cancel: the flags of
// a model that was left for another, library additions and deletions,
// variables bound by a refused OK, and the values Build and Dead-time give
// their variables. Each marks the design modified; a Cancel after edits alone
// leaves the design as it was.
//
// The population of recorded designs starts again after an OK only when the
// design it rests on changed while the dialog was open: a model definition, a
// model's flags, or the variable table (OK, Build and Dead-time bind
// variables). An OK that changed nothing keeps the recorded designs.
//
// An OK puts its copies back only over the definitions it copied: when
// something else changed the design meanwhile, it says so and stays open.
#include "editing/DefinitionLists.h"
#include "editing/ZevMCWnd.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "res/resource.h"  // IDD_EDITMODELS and its controls

class CQorexDoc;

class CEditModels : public CDialog {
 public:
  // On the Process, flags unticked until the dialog reads them.
  explicit CEditModels(CWnd* pParent = nullptr);
  ~CEditModels() override;

  CQorexDoc* m_pDoc = nullptr;  // set by the caller
  CZevMCWnd m_wndEditor;        // first list: the models; second: the signals
  CButton m_btnBuild;           // shown only for the Controller
  int m_nModel;                 // the shown model slot, 0 .. 4
  BOOL m_bShowPolesZeros;       // kBlockShowRoots
  BOOL m_bAllowModification;    // kBlockTunable
  BOOL m_bEnsureSquare;         // kBlockEnsureSquare

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnSelchangeModel();
  void OnAdd();
  void OnChoose();
  // "Build Controller" into the shown copy.
  void OnBuild();
  // "Add Dead-Time" into an element of the shown copy.
  void OnDeadTime();

  // The check fields from, and into, the flag word of a model slot.
  void LoadFlags(int model);
  void StoreFlags(int model);
  void ShowBuild();
  // The shown copy laid out and the window drawn again.
  void ShowChanged();

  // The models, flags and variable count as the dialog found them.
  defedit::ModelsSnapshot m_modelsBefore;
  // The design's definitions as the dialog copied them.
  std::vector<BYTE> m_definitionsBefore;

  DECLARE_MESSAGE_MAP()
};
