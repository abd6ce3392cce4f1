// "Choose from list": items measured from laid-out copies of the library's
// entries, deletion, the choice by OK and by double click, and the colours of
// a selected item.
#include "tests/editing/EditingDialogsTestSupport.h"

#include "editing/ChooseDlg.h"
#include "tests/support/TreeBuilders.h"

#include <memory>

namespace {

using namespace dlgtest;
using namespace qxtest::trees;

TEST(ChooseItems, HeightIsThreeQuartersOfTheLayoutWithinOneTo150) {
  const int rows[][2] = {{400, 150}, {200, 150}, {199, 149}, {20, 15}, {1, 1}, {0, 1}, {-7, 1}};
  for (const auto& r : rows) EXPECT_EQ(CChooseDlg::ItemHeight(r[0]), r[1]) << r[0];
}

class Choose : public EditingDialogs {
 protected:
  // A definition whose right side is a column of n ones.
  static CMcBasic* Column(int n) {
    std::vector<CMcBasic*> cells;
    for (int i = 0; i < n; ++i) cells.push_back(Real(1));
    return new CMcEquality(Fn("G", S()), Matrix(1, cells), 0);
  }
  // The layout height of a fresh copy.
  static int LaidOutHeight(const CMcBasic* entry) {
    std::unique_ptr<CMcBasic> copy(entry->Clone());
    copy->Layout(g_pMemDC, kMcLayoutFromTop);
    return copy->m_box.height;
  }
  CMXC_BIN& Library() { return Doc()->m_modelLibrary; }
  // Runs the dialog on the model library with one action.
  int Run(QxTest::DialogAction action, int* selected = nullptr) {
    QxTest::DialogScript script({std::move(action)});
    CChooseDlg dlg(Frame());
    dlg.m_pDoc = Doc();
    dlg.DoModal();
    if (selected) *selected = dlg.m_nSelected;
    return script.Dialogs().empty() ? -1 : script.Dialogs()[0].result;
  }
  static CListBox& List(CDialog& d) {
    return *static_cast<CListBox*>(d.GetDlgItem(IDC_CHOOSE_LIST));
  }
};

TEST_F(Choose, ItemsAreMeasuredOnFreshLayoutsNotOnTheStoredBoxes) {
  Library().Add(Column(16));
  Library().Add(new CMcEquality(Fn("G", S()), Real(7), 0));
  const int tall = LaidOutHeight(Library().GetAt(0));
  const int small = LaidOutHeight(Library().GetAt(1));
  ASSERT_GE(tall, 200);
  // Boxes as a file from elsewhere, or a damaged one, may hold them.
  Library().GetAt(0)->m_box.height = 4;
  Library().GetAt(1)->m_box.height = 30000;
  std::vector<int> heights;
  Run([&](CDialog& d) {
    for (int i = 0; i < List(d).GetCount(); ++i) heights.push_back(List(d).GetItemHeight(i));
  });
  EXPECT_EQ(heights, (std::vector<int>{150, CChooseDlg::ItemHeight(small)}));
}

TEST_F(Choose, DeleteRemovesTheSelectedEntryAndBeepsWithoutOne) {
  for (int i = 0; i < 2; ++i) Library().Add(new CMcEquality(Fn("G", S()), Real(i + 1), 0));
  Doc()->SetModifiedFlag(FALSE);
  std::vector<int> counts;
  std::vector<int> beeps;
  const int result = Run([&](CDialog& d) {
    ClickItem(d, IDC_CHOOSE_DELETE);  // nothing selected
    beeps.push_back(Beeps());
    List(d).SetCurSel(0);
    ClickItem(d, IDC_CHOOSE_DELETE);
    counts.push_back(List(d).GetCount());
    List(d).SetCurSel(0);
    ClickItem(d, IDC_CHOOSE_DELETE);
    counts.push_back(List(d).GetCount());
    ClickItem(d, IDC_CHOOSE_DELETE);  // an empty list
    beeps.push_back(Beeps());
    Close(d);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(beeps, (std::vector<int>{1, 2}));
  EXPECT_EQ(counts, (std::vector<int>{1, 0}));
  EXPECT_EQ(Library().GetCount(), 0);
  EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(Choose, OkAndADoubleClickChooseTheCloseBoxDoesNot) {
  for (int i = 0; i < 3; ++i) Library().Add(new CMcEquality(Fn("G", S()), Real(i + 1), 0));
  int selected = 9;
  EXPECT_EQ(Run(
                [&](CDialog& d) {
                  CRect item;
                  List(d).GetItemRect(1, &item);
                  QxTest::DoubleClick(&List(d), item.CenterPoint());
                  QxTest::PumpEvents();
                },
                &selected),
            IDOK);
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(Run([&](CDialog& d) { ClickItem(d, IDOK); }, &selected), IDOK);
  EXPECT_EQ(selected, -1);
  EXPECT_EQ(Run(
                [&](CDialog& d) {
                  List(d).SetCurSel(2);
                  Close(d);
                },
                &selected),
            IDCANCEL);
  EXPECT_EQ(selected, -1);
}

TEST_F(Choose, ASelectedItemIsDarkBlueWithWhiteInk) {
  for (int i = 0; i < 2; ++i)
    Library().Add(new CMcEquality(Fn("G", S()), Div(Real(1), Sum({S(), Real(i + 2)})), 0));
  struct Inks {
    int blue = 0, white = 0, black = 0, area = 0;
  } items[2];
  Run([&](CDialog& d) {
    List(d).SetCurSel(0);
    QxTest::PumpUntilIdle();
    const QImage image = QxTest::ClientImage(&List(d));

    for (int i = 0; i < 2; ++i) {
      CRect r;
      List(d).GetItemRect(i, &r);
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
          const QRgb c = image.pixel(x, y) | 0xFF000000;
          items[i].blue += c == qRgb(0, 0, 135);
          items[i].white += c == qRgb(255, 255, 255);
          items[i].black += c == qRgb(0, 0, 0);
          ++items[i].area;
        }
    }
  });
  EXPECT_GT(items[0].blue, items[0].area / 2);
  EXPECT_GT(items[0].white, 0);
  EXPECT_EQ(items[0].black, 0);
  EXPECT_GT(items[1].white, items[1].area / 2);
  EXPECT_GT(items[1].black, 0);
  EXPECT_EQ(items[1].blue, 0);
}

}  // namespace
