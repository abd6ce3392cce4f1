// "Edit Models" in the started program: typed edits reaching the loop at OK
// and nowhere at Cancel, the models it refuses, the flags, the library, and
// the two builders run from their buttons.
#include "tests/editing/EditingDialogsTestSupport.h"

#include "editing/AddDeadTimeDlg.h"
#include "search/QOX_HistVar.h"
#include "simulation/SIMtrnfn.h"
#include "tests/support/TreeBuilders.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using namespace dlgtest;
using pvtest::Text;
using namespace qxtest::trees;

// Clicks the first leaf of the shown copy's right side and climbs with
// Ctrl+Up until the whole right side is the caret node, then types over it.
void RetypeWhole(CZevMCWnd& editor, const char* script) {
  const CMcBasic* rhs = editor.GetShownExpression()->m_children[1];
  const CMcBasic* leaf = rhs;
  while (leaf->m_count > 0) leaf = leaf->m_children[0];
  ClickNode(editor, leaf);
  for (int i = 0; i < 8 && editor.m_edit.m_pCaret != rhs; ++i) {
    QxTest::PressKey(VK_UP, MK_CONTROL, &editor);
    QxTest::PumpEvents();
  }
  Key(editor, VK_DELETE);
  Type(editor, script);
}

TEST_F(EditingDialogs, EditModelsEndToEndMovesTheClosedLoopPole) {
  const QPointF before = PoleInk();
  const CPoint minus2 = LocusPixel(-2, 0);
  EXPECT_NEAR(before.x(), minus2.x, 2.0);
  EXPECT_NEAR(before.y(), minus2.y, 2.0);
  bool buildShown = true;
  std::string typed;
  QxTest::DialogScript script({[&](CDialog& d) {
    auto& dlg = dynamic_cast<CEditModels&>(d);
    buildShown = Visible(d, IDC_MODEL_BUILD);
    TypeTwoOverSPlusThree(dlg.m_wndEditor);
    typed = Text(dlg.m_wndEditor.GetShownExpression());
    ClickItem(d, IDOK);
  }});
  Command(ID_EDIT_MODELS);
  ASSERT_EQ(script.Dialogs().size(), 1u);
  EXPECT_EQ(script.Dialogs()[0].result, IDOK);
  EXPECT_FALSE(buildShown);
  EXPECT_EQ(typed, "(G(s) ? {2}/{(s + 3)})");
  EXPECT_EQ(ModelText(kModelG), "{2}/{(s + 3)}");
  const QPointF after = PoleInk();
  const CPoint minus5 = LocusPixel(-5, 0);
  EXPECT_NEAR(after.x(), minus5.x, 2.0);
  EXPECT_NEAR(after.y(), minus5.y, 2.0);
  EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(EditingDialogs, EditModelsCancelledAfterTypingLeavesTheDesignAsItWas) {
  const Bytes before = Record(*Doc());
  for (bool byEscape : {false, true}) {
    QxTest::DialogScript script({[&](CDialog& d) {
      auto& dlg = dynamic_cast<CEditModels&>(d);
      TypeTwoOverSPlusThree(dlg.m_wndEditor);
      if (byEscape) {
        // Escape belongs to the editor while it has the focus.
        Key(dlg.m_wndEditor, VK_ESCAPE);
        ASSERT_TRUE(d.ContinueModal());
        d.GetDlgItem(IDC_MODEL)->SetFocus();
        QxTest::PressKey(VK_ESCAPE);
      } else {
        Close(d);
      }
    }});
    Command(ID_EDIT_MODELS);
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_EQ(script.Dialogs()[0].result, IDCANCEL);
    EXPECT_FALSE(script.Dialogs()[0].endedByScript);
    EXPECT_EQ(Record(*Doc()), before);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(ModelText(kModelG), "{1}/{(s + 1)}");
  }
}

TEST_F(EditingDialogs, ModelsTheConversionCannotTurnIntoATransferFunctionAreRefusedAtOk) {
  const Bytes before = Record(*Doc());
  const struct {
    const char* what;
    const char* script;
    const char* typed;
  } rows[] = {
      {"a bracket around a whole fraction", "(s+2<Right>/(s+3", "op({(s + 2)}/{op((s + 3))})"},
      {"not one fraction at the top", "K*(1+1/(T*s", "K*op((1 + {1}/{op(T*s)}))"},
      {"improper", "a*s^2<Right>+1", "(a*s^2 + 1)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::string typed;
    QxTest::ShownBoxScript boxes;
    QxTest::DialogScript script({[&](CDialog& d) {
      auto& dlg = dynamic_cast<CEditModels&>(d);
      RetypeWhole(dlg.m_wndEditor, row.script);
      typed = Text(dlg.m_wndEditor.GetShownExpression()->m_children[1]);
      ClickItem(d, IDOK);
      ASSERT_TRUE(d.ContinueModal());
      Close(d);
    }});
    Command(ID_EDIT_MODELS);
    EXPECT_EQ(typed, row.typed);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "At least one of the models you have edited\ncannot be accepted as valid.");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.Boxes()[0].type, UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(ModelText(kModelG), "{1}/{(s + 1)}");
  }
}

// A copy that could not be made leaves no whole design to commit.
TEST_F(EditingDialogs, CopiesThatAreNoWholeDesignAreNeverCommitted) {
  const Bytes before = Record(*Doc());
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({[&](CDialog& d) {
    CMcGroup* list = dynamic_cast<CEditModels&>(d).m_wndEditor.m_pList;
    delete list->RemoveChildAt(list->m_count - 1);
    ClickItem(d, IDOK);
    EXPECT_TRUE(d.ContinueModal());
    Close(d);
  }});
  Command(ID_EDIT_MODELS);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(Record(*Doc()), before);
}

// The index picks a flag word and a list entry: only slots that exist.
TEST_F(EditingDialogs, TheEntryPointsPreselectOnlySlotsThatExist) {
  const struct {
    bool models;
    int i, shown;
    int control;  // shown only for this slot: "Build", "Show signal"
    bool visible;
  } rows[] = {{true, 1, 1, IDC_MODEL_BUILD, true},   {true, 4, 4, IDC_MODEL_BUILD, false},
              {true, -1, 2, IDC_MODEL_BUILD, false}, {true, 5, 2, IDC_MODEL_BUILD, false},
              {false, 3, 3, IDC_SIGNAL_SHOW, true},  {false, 8, 8, IDC_SIGNAL_SHOW, false},
              {false, 9, 0, IDC_SIGNAL_SHOW, true},  {false, -1, 0, IDC_SIGNAL_SHOW, true}};
  for (const auto& row : rows) {
    int shown = -1, combo = -1;
    bool visible = false;
    QxTest::DialogScript script({[&](CDialog& d) {
      CZevMCWnd* editor = row.models ? &dynamic_cast<CEditModels&>(d).m_wndEditor
                                     : &dynamic_cast<CEditSignals&>(d).m_wndEditor;
      shown = editor->m_pList->m_current;
      combo =
          static_cast<CComboBox*>(d.GetDlgItem(row.models ? IDC_MODEL : IDC_SIGNAL))->GetCurSel();
      visible = Visible(d, row.control);
    }});
    row.models ? Doc()->EditModels(row.i) : Doc()->EditSignals(row.i);
    EXPECT_EQ(shown, row.shown) << row.models << " " << row.i;
    EXPECT_EQ(combo, row.shown) << row.models << " " << row.i;
    EXPECT_EQ(visible, row.visible) << row.models << " " << row.i;
  }
  EXPECT_FALSE(Doc()->IsModified());
}

TEST_F(EditingDialogs, AFlagLeftForAnotherModelStaysAfterCancel) {
  const WORD flagsG = Doc()->m_system.m_G.m_wFlags;
  ASSERT_EQ(flagsG & 2, 0);
  bool squareK = true, tuneK = false;
  QxTest::DialogScript script({[&](CDialog& d) {
    ClickItem(d, IDC_MODEL_SQUARE);  // "Ensure square matrix" for the Process
    StepList(d, IDC_MODEL, -1);      // to the Controller
    squareK = Checked(d, IDC_MODEL_SQUARE);
    tuneK = Checked(d, IDC_MODEL_ALLOW_TUNING);
    EXPECT_TRUE(Visible(d, IDC_MODEL_BUILD));
    Close(d);
  }});
  Command(ID_EDIT_MODELS);
  EXPECT_EQ(Doc()->m_system.m_G.m_wFlags, flagsG | kBlockEnsureSquare);
  EXPECT_TRUE(Doc()->IsModified());
  // The Controller's own flags were shown: allow automatic modification only.
  EXPECT_FALSE(squareK);
  EXPECT_TRUE(tuneK);
  EXPECT_EQ(ModelText(kModelG), "{1}/{(s + 1)}");
}

TEST_F(EditingDialogs, AnInvalidModelIsRefusedOnceAndACorrectedOneCommitsModelsAndSignals) {
  const CMcBasic* signalBefore = Doc()->m_signals.GetAt(0);
  const std::string signalText = Text(signalBefore);
  size_t boxesAfterFirstOk = 0;
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({[&](CDialog& d) {
    auto& dlg = dynamic_cast<CEditModels&>(d);
    RetypeWhole(dlg.m_wndEditor, "a*s^2<Right>+1");
    ClickItem(d, IDOK);
    boxesAfterFirstOk = boxes.Boxes().size();
    ASSERT_TRUE(d.ContinueModal());
    RetypeWhole(dlg.m_wndEditor, "1/(s+4");
    ClickItem(d, IDOK);
  }});
  Command(ID_EDIT_MODELS);
  EXPECT_EQ(boxesAfterFirstOk, 1u);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(script.Dialogs()[0].result, IDOK);
  EXPECT_EQ(ModelText(kModelG), "{1}/{op((s + 4))}");
  // The signals are the carried copies now.
  EXPECT_NE(Doc()->m_signals.GetAt(0), signalBefore);
  EXPECT_EQ(Text(Doc()->m_signals.GetAt(0)), signalText);
  // The closed-loop pole: the zero of |I + FLGK| = (s + 5) / (s + 4).
  EXPECT_NEAR(Doc()->m_system.m_detIFLGK.m_zeros[1].re, -5.0, 1e-9);
}

TEST_F(EditingDialogs, AddKeepsItsLibraryEntryAfterCancelAndChooseReplacesTheShownCopy) {
  Doc()->m_modelLibrary.Add(new CMcEquality(Fn("G", S()), Div(Real(5), Sum({S(), Real(5)})), 0));
  Doc()->SetModifiedFlag(FALSE);
  std::string chosen, unchosen;
  QxTest::DialogScript script({
      [&](CDialog& d) {
        auto& dlg = dynamic_cast<CEditModels&>(d);
        ClickItem(d, IDC_ADD_TO_LIBRARY);
        ClickItem(d, IDC_CHOOSE);  // the second action: nothing chosen
        unchosen = Text(dlg.m_wndEditor.GetShownExpression()->m_children[1]);
        ClickItem(d, IDC_CHOOSE);  // the third: the first entry
        chosen = Text(dlg.m_wndEditor.GetShownExpression()->m_children[1]);
        Close(d);
      },
      [&](CDialog& d) { ClickItem(d, IDOK); },
      [&](CDialog& d) {
        static_cast<CListBox*>(d.GetDlgItem(IDC_CHOOSE_LIST))->SetCurSel(0);
        ClickItem(d, IDOK);
      },
  });
  Command(ID_EDIT_MODELS);
  EXPECT_EQ(unchosen, "{1}/{(s + 1)}");
  EXPECT_EQ(chosen, "{5}/{(s + 5)}");
  ASSERT_EQ(Doc()->m_modelLibrary.GetCount(), 2);
  EXPECT_EQ(Text(Doc()->m_modelLibrary.GetAt(1)), "(G(s) ? {1}/{(s + 1)})");
  EXPECT_TRUE(Doc()->IsModified());
  EXPECT_EQ(ModelText(kModelG), "{1}/{(s + 1)}");
}

// ---- the builders from their buttons ------------------------------------------------

double Value(CQorexDoc* doc, const char* name, const char* subscript, WORD style = 0) {
  const int entry = doc->m_vars.Find(name, subscript, style);
  return entry < 0 ? NAN : doc->m_vars.m_pValue[entry];
}

TEST_F(EditingDialogs, BuildMakesADiagonalPidControllerAndItsValuesStayAfterCancel) {
  SetModel(kModelK, Identity(2));
  std::string built;
  QxTest::DialogScript script({
      [&](CDialog& d) {
        auto& dlg = dynamic_cast<CEditModels&>(d);
        ClickItem(d, IDC_MODEL_BUILD);
        built = Text(dlg.m_wndEditor.GetShownExpression()->m_children[1]);
        Close(d);
      },
      [&](CDialog& d) {
        StepList(d, IDC_CONTROLLER_TYPE, 3);   // PID: the type number becomes 1
        StepList(d, IDC_CONTROLLER_SHAPE, 1);  // Diagonal
        CString n;
        d.GetDlgItemText(IDC_CONTROLLER_TYPE_NUMBER, n);
        EXPECT_STREQ(n.GetString(), "1");
        ClickItem(d, IDOK);
      },
  });
  Doc()->EditModels(kModelK);
  EXPECT_EQ(built,
            "[{k_11*(1 + s*I_11 + s^2*D_11*I_11)}/{s*I_11*(1 + {s}/{iT_11})}, 0; 0, "
            "{k_22*(1 + s*I_22 + s^2*D_22*I_22)}/{s*I_22*(1 + {s}/{iT_22})}]");
  for (const char* ij : {"11", "22"}) {
    EXPECT_EQ(Value(Doc(), "D", ij), 0.1);
    EXPECT_EQ(Value(Doc(), "iT", ij), 20.0);
  }
  EXPECT_TRUE(Doc()->IsModified());
  EXPECT_EQ(ModelText(kModelK), "[1, 0; 0, 1]");
}

TEST_F(EditingDialogs, BuildControllerSetsTypeNumbersAndRefusesIntegralActionWithoutOne) {
  std::vector<std::string> numbers;
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({
      [&](CDialog& d) {
        ClickItem(d, IDC_MODEL_BUILD);
        Close(d);
      },
      [&](CDialog& d) {
        auto number = [&] {
          CString n;
          d.GetDlgItemText(IDC_CONTROLLER_TYPE_NUMBER, n);
          numbers.push_back(n.GetString());
        };
        StepList(d, IDC_CONTROLLER_TYPE, 2);  // PI: 0 raised to 1
        number();
        d.SetDlgItemText(IDC_CONTROLLER_TYPE_NUMBER, "2");
        StepList(d, IDC_CONTROLLER_TYPE, -1);  // PD: back to 0
        number();
        StepList(d, IDC_CONTROLLER_TYPE, 2);  // PID
        number();
        d.SetDlgItemText(IDC_CONTROLLER_TYPE_NUMBER, "0");
        ClickItem(d, IDOK);
        EXPECT_TRUE(d.ContinueModal());
        Close(d);
      },
  });
  Doc()->EditModels(kModelK);
  EXPECT_EQ(numbers, (std::vector<std::string>{"1", "0", "1"}));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Type number must be atleast 1 for integral action.");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Invalid specifications");
  EXPECT_EQ(boxes.Boxes()[0].type, UINT(MB_OK));
  EXPECT_FALSE(Doc()->IsModified());
}

TEST_F(EditingDialogs, DeadTimeRefusesMissingElementsAndOrdersAndMultipliesTheElement) {
  std::string fixed;
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({
      [&](CDialog& d) {
        auto& dlg = dynamic_cast<CEditModels&>(d);
        ClickItem(d, IDC_MODEL_DEADTIME);
        fixed = Text(dlg.m_wndEditor.GetShownExpression()->m_children[1]);
        ClickItem(d, IDOK);
      },
      [&](CDialog& d) {
        // The up arrow of a never-ranged up-down lowers the order to 0.
        static_cast<CSpinButtonCtrl*>(d.GetDlgItem(IDC_DEADTIME_ORDER_SPIN))->QxStep(+1);
        ClickItem(d, IDOK);
        d.SetDlgItemText(IDC_DEADTIME_ORDER, "1");
        d.SetDlgItemText(IDC_DEADTIME_ROW, "2");
        ClickItem(d, IDOK);
        d.SetDlgItemText(IDC_DEADTIME_ROW, "1");
        d.SetDlgItemText(IDC_DEADTIME_AMOUNT, "2");
        ClickItem(d, IDC_DEADTIME_FIXED);
        ClickItem(d, IDOK);
      },
  });
  Command(ID_EDIT_MODELS);
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Please enter an integer between 1 and 100.");
  EXPECT_EQ(boxes.Boxes()[1].text, "The specified matrix element does not exist.");
  EXPECT_EQ(boxes.Boxes()[1].caption, "Error");
  EXPECT_EQ(fixed, "{(1 - s)}/{(s + 1)*(1 + s)}");
  EXPECT_EQ(ModelText(kModelG), fixed);
}

// An approximation whose coefficients do not exist in doubles: overflowing
// ones for 10 us at order 100 (and for its mirror -10 us), vanishing ones for
// 100000 s at order 100. Each is refused at OK; the dialog stays open.
TEST_F(EditingDialogs, DeadTimeRefusesAnAmountAndOrderWithoutAnApproximationInDoubles) {
  const struct {
    const char* amount;
    const char* order;
    double value;
    int n;
  } refused[] = {
      {"-0.00001", "100", -1e-5, 100}, {"0.00001", "100", 1e-5, 100}, {"100000", "100", 1e5, 100}};
  std::string built;
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({
      [&](CDialog& d) {
        auto& dlg = dynamic_cast<CEditModels&>(d);
        ClickItem(d, IDC_MODEL_DEADTIME);
        built = Text(dlg.m_wndEditor.GetShownExpression()->m_children[1]);
        Close(d);
      },
      [&](CDialog& d) {
        ClickItem(d, IDC_DEADTIME_FIXED);
        for (const auto& row : refused) {
          d.SetDlgItemText(IDC_DEADTIME_AMOUNT, row.amount);
          d.SetDlgItemText(IDC_DEADTIME_ORDER, row.order);
          ClickItem(d, IDOK);
          EXPECT_TRUE(d.ContinueModal()) << row.amount;
        }
        d.SetDlgItemText(IDC_DEADTIME_AMOUNT, "2");
        d.SetDlgItemText(IDC_DEADTIME_ORDER, "1");
        ClickItem(d, IDOK);
      },
  });
  Command(ID_EDIT_MODELS);
  ASSERT_EQ(boxes.Boxes().size(), std::size(refused));
  for (size_t i = 0; i < std::size(refused); ++i) {
    char text[400];
    std::snprintf(text, sizeof text, kDeadTimeDoesNotFitFormat, refused[i].value, refused[i].n);
    EXPECT_EQ(boxes.Boxes()[i].text, text);
    EXPECT_EQ(boxes.Boxes()[i].caption, "Error");
  }
  EXPECT_EQ(built, "{(1 - s)}/{(s + 1)*(1 + s)}");
}

// A dead time of 0 is the factor exp(0) = 1: a fixed one leaves the element
// as it is; a variable one binds tau at 0, and the loop runs as without it.
TEST_F(EditingDialogs, ADeadTimeOfZeroIsTheFactorOneFixedOrVariable) {
  std::vector<double> plain;
  const CSIMsignal& y = Doc()->m_system.m_yd;
  for (int t = 0; t < y.m_nColumns; ++t) plain.push_back(y.At(0, t));
  ASSERT_FALSE(plain.empty());
  std::string before, fixed, variable;
  QxTest::ShownBoxScript boxes;
  QxTest::DialogScript script({
      [&](CDialog& d) {
        auto& dlg = dynamic_cast<CEditModels&>(d);
        const auto shown = [&] {
          return Text(dlg.m_wndEditor.GetShownExpression()->m_children[1]);
        };
        before = shown();
        ClickItem(d, IDC_MODEL_DEADTIME);
        fixed = shown();
        ClickItem(d, IDC_MODEL_DEADTIME);
        variable = shown();
        ClickItem(d, IDOK);
      },
      [&](CDialog& d) {
        d.SetDlgItemText(IDC_DEADTIME_AMOUNT, "0");
        ClickItem(d, IDC_DEADTIME_FIXED);
        ClickItem(d, IDOK);
      },
      [&](CDialog& d) {
        d.SetDlgItemText(IDC_DEADTIME_AMOUNT, "0");
        d.SetDlgItemText(IDC_DEADTIME_ORDER, "3");
        ClickItem(d, IDOK);
      },
  });
  Command(ID_EDIT_MODELS);
  EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Boxes()[0].text;
  ASSERT_EQ(script.Dialogs().size(), 3u);
  EXPECT_EQ(script.Dialogs()[1].result, IDOK);
  EXPECT_EQ(script.Dialogs()[2].result, IDOK);
  EXPECT_EQ(fixed, before);
  EXPECT_NE(variable.find("tau_11G"), std::string::npos) << variable;
  EXPECT_EQ(ModelText(kModelG), variable);
  EXPECT_EQ(Value(Doc(), "t", "11G", kMcVariant), 0.0);
  ASSERT_EQ(Doc()->m_system.m_nError, kSimOk);
  ASSERT_EQ(y.m_nColumns, static_cast<int>(plain.size()));
  for (int t = 0; t < y.m_nColumns; ++t) ASSERT_NEAR(y.At(0, t), plain[t], 1e-12) << t;
}

// Each step sent while the editor still has the focus and a caret, as a
// command message; whether the edit had ended when the step's own work ran.
TEST_F(EditingDialogs, EachStepThatReshapesTheCopiesEndsTheEditFirst) {
  const struct {
    const char* what;
    int id;
    int code;
  } rows[] = {{"model change", IDC_MODEL, CBN_SELCHANGE},
              {"Dead-time", IDC_MODEL_DEADTIME, BN_CLICKED},
              {"Build", IDC_MODEL_BUILD, BN_CLICKED},
              {"OK", IDOK, BN_CLICKED}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    bool editing = false, editingInside = true, editingAfter = true;
    CEditModels* models = nullptr;
    QxTest::DialogScript script({
        [&](CDialog& d) {
          auto& dlg = dynamic_cast<CEditModels&>(d);
          models = &dlg;
          CZevMCWnd& editor = dlg.m_wndEditor;
          ClickNode(editor, editor.GetShownExpression()->m_children[1]);  // K(s) = 1
          editing = editor.m_edit.IsEditing() && QxTest::Focus() == &editor;
          if (row.id == IDC_MODEL)
            static_cast<CComboBox*>(d.GetDlgItem(IDC_MODEL))->SetCurSel(kModelK);
          d.SendMessage(WM_COMMAND, MAKEWPARAM(row.id, row.code),
                        reinterpret_cast<LPARAM>(d.GetDlgItem(row.id)->GetSafeHwnd()));
          QxTest::PumpEvents();
          editingAfter = editor.m_edit.IsEditing();
        },
        [&](CDialog&) { editingInside = models->m_wndEditor.m_edit.IsEditing(); },
    });
    Doc()->EditModels(kModelK);
    EXPECT_TRUE(editing);
    EXPECT_FALSE(editingAfter);
    if (row.id == IDC_MODEL_DEADTIME || row.id == IDC_MODEL_BUILD) {
      EXPECT_FALSE(editingInside);
    }
  }
}

// ---- the population of recorded designs ------------------------------------------------

// Three recorded designs, then "Edit Models" ended with OK: the population
// starts again only when what it rests on changed while the dialog was open.
TEST_F(EditingDialogs, OkKeepsTheRecordedDesignsUnlessModelsFlagsOrVariablesChanged) {
  using Actions = std::vector<QxTest::DialogAction>;
  auto models = [](CDialog& d) -> CEditModels& { return dynamic_cast<CEditModels&>(d); };
  const struct {
    const char* what;
    int shown;
    Actions actions;  // the last one presses OK in "Edit Models"
    bool kept;
  } rows[] = {
      {"nothing touched", kModelG, {[](CDialog& d) { ClickItem(d, IDOK); }}, true},
      {"another model shown and back",
       kModelG,
       {[](CDialog& d) {
         StepList(d, IDC_MODEL, -1);
         StepList(d, IDC_MODEL, 1);
         ClickItem(d, IDOK);
       }},
       true},
      {"the Process retyped",
       kModelG,
       {[&](CDialog& d) {
         TypeTwoOverSPlusThree(models(d).m_wndEditor);
         ClickItem(d, IDOK);
       }},
       false},
      {"\"Show poles && zeros\" ticked",
       kModelG,
       {[](CDialog& d) {
         ClickItem(d, IDC_MODEL_SHOW_POLES);
         ClickItem(d, IDOK);
       }},
       false},
      // The Controller ends as it began, but its D and iT joined the table.
      {"a PD controller built, then typed back to 1",
       kModelK,
       {[&](CDialog& d) {
          ClickItem(d, IDC_MODEL_BUILD);
          RetypeWhole(models(d).m_wndEditor, "1");
          ClickItem(d, IDOK);
        },
        [](CDialog& d) {
          StepList(d, IDC_CONTROLLER_TYPE, 1);  // PD
          ClickItem(d, IDOK);
        }},
       false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QOX_HistVar& population = *Doc()->m_pHistory;
    population.Reset();
    const double criteria[QOX_HistVar::kCriteria] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9};
    for (int i = 0; i < 3; ++i) population.Add(criteria);
    const int variables = Doc()->m_vars.m_nCount;
    QxTest::DialogScript script(row.actions);
    Doc()->EditModels(row.shown);
    ASSERT_EQ(script.Dialogs().size(), row.actions.size());
    EXPECT_EQ(script.Dialogs()[0].result, IDOK);
    EXPECT_EQ(population.m_nCount, row.kept ? 3 : 0);
    // A population that starts again fits the table as it is now.
    EXPECT_EQ(population.m_nVars, row.kept ? variables : Doc()->m_vars.m_nCount);
  }
  EXPECT_EQ(ModelText(kModelK), "1");
}

}  // namespace

// Something else changes the design while a dialog is open (here the element
// edit a picker or a drag makes): its OK says so and puts nothing back, so the
// change stays; the dialog stays open until closed.
TEST_F(EditingDialogs, AnOkOverDefinitionsChangedMeanwhilePutsNothingBack) {
  const struct {
    const char* name;
    UINT command;
    bool typed;  // the Process's copy edited first
  } rows[] = {
      {"Edit Models", ID_EDIT_MODELS, true},
      {"Edit Signals", ID_EDIT_SIGNALS, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SetModel(kModelG, Div(Real(1), Sum({S(), Real(1)})));
    const std::string signals = Text(Doc()->m_signals.GetAt(0));
    bool openAfterOk = false;
    QxTest::ShownBoxScript boxes;
    QxTest::DialogScript script({[&](CDialog& d) {
      if (row.typed) TypeTwoOverSPlusThree(dynamic_cast<CEditModels&>(d).m_wndEditor);
      Doc()->SetElement(kModelG, 0, 0, 0);
      ClickItem(d, IDOK);
      openAfterOk = d.ContinueModal() != FALSE;
      Close(d);
    }});
    Command(row.command);
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(script.Dialogs()[0].result, IDCANCEL);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "The design's models or signals were changed while this dialog was open.\n"
              "Its copies are older: OK would undo that change.");
    EXPECT_EQ(ModelText(kModelG), "0");
    EXPECT_EQ(Text(Doc()->m_signals.GetAt(0)), signals);
  }
  // With nothing changed meanwhile, OK puts the copies back as before.
  QxTest::DialogScript script({[&](CDialog& d) {
    TypeTwoOverSPlusThree(dynamic_cast<CEditModels&>(d).m_wndEditor);
    ClickItem(d, IDOK);
  }});
  SetModel(kModelG, Div(Real(1), Sum({S(), Real(1)})));
  Command(ID_EDIT_MODELS);
  EXPECT_EQ(ModelText(kModelG), "{2}/{(s + 3)}");
}
