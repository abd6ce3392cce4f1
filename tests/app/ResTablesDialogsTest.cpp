// The dialog templates (registered by the test main, as by the program at
// start-up): room for what the bars paint, controls that do not overlap,
// every control made by the layer where the code looks it up, lists in the
// order of the codes they stand for, and captions that fit their controls.
#include "platform/testing/DialogHooks.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/FrameWnd.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <iterator>
#include <optional>
#include <vector>

namespace {

const UINT kBarTemplates[] = {IDD_OUTPUTBAR, IDD_LEFTBAR, IDD_VARBAR, IDD_EQUALIZERBAR,
                              IDD_COMMENTBAR};

// A drop-down list's template height includes the list; closed it is 12 high.
CRect Placed(const QxDialogItem& item) {
  CRect rect = item.rect;
  if (item.className == "ComboBox") rect.bottom = rect.top + 12;
  return rect;
}

CSize Pixels(UINT id) {
  const QxDialogTemplate* t = QxFindDialogTemplate(id);
  return QxDialogUnitsToPixels(*t, t->rect).Size();
}

TEST(ResTablesDialogs, BarsAreChildrenWithTheirControlsInsideAndApart) {
  for (UINT id : kBarTemplates) {
    SCOPED_TRACE(id);
    const QxDialogTemplate* bar = QxFindDialogTemplate(id);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->style & WS_CHILD);
    const CRect all(0, 0, bar->rect.Width(), bar->rect.Height());
    for (size_t i = 0; i < bar->items.size(); ++i) {
      const CRect rect = Placed(bar->items[i]);
      EXPECT_EQ(all | rect, all) << bar->items[i].id;
      for (size_t j = i + 1; j < bar->items.size(); ++j)
        EXPECT_TRUE((Placed(bar->items[j]) & rect).IsRectEmpty() &&
                    bar->items[i].id != bar->items[j].id)
            << bar->items[i].id << " and " << bar->items[j].id;
    }
  }
  // "ProcessView" paints its 200 x 90 pixel diagram at (10, 10).
  EXPECT_GE(Pixels(IDD_LEFTBAR).cx, 210);
  EXPECT_GE(Pixels(IDD_LEFTBAR).cy, 100);
  // "Comments" takes line breaks in the design's free text.
  const QxDialogItem& comment = QxFindDialogTemplate(IDD_COMMENTBAR)->items.at(0);
  EXPECT_EQ(comment.id, static_cast<UINT>(IDC_COMMENT));
  EXPECT_EQ(comment.style & (ES_MULTILINE | ES_WANTRETURN), ES_MULTILINE | ES_WANTRETURN);
}

// The equalizer paints its history strip (down to y = 90 px), its bottom
// button row (from y = 180) and its right-hand buttons (from x = 160) into the
// bar: the bar must hold them, and the sliders (criterion i on control
// 1020 + i, left to right) must stay between them.
TEST(ResTablesDialogs, EqualizerSlidersStayClearOfThePaintedStripAndButtons) {
  const QxDialogTemplate* bar = QxFindDialogTemplate(IDD_EQUALIZERBAR);
  EXPECT_GE(Pixels(IDD_EQUALIZERBAR).cx, 217);  // the right end of the last button
  EXPECT_GE(Pixels(IDD_EQUALIZERBAR).cy, 198);  // the bottom of the lowest row
  ASSERT_EQ(bar->items.size(), 8u);
  for (size_t i = 0; i < bar->items.size(); ++i) {
    const QxDialogItem& slider = bar->items[i];
    const CRect pixels = QxDialogUnitsToPixels(*bar, slider.rect);
    EXPECT_EQ(slider.id, IDC_WEIGHT_FINAL_VALUE + i);
    EXPECT_EQ(slider.style & TBS_VERT, static_cast<DWORD>(TBS_VERT)) << i;
    EXPECT_TRUE(pixels.top >= 90 && pixels.bottom <= 180 && pixels.right <= 160) << i;
    EXPECT_TRUE(i == 0 || slider.rect.left > bar->items[i - 1].rect.left) << i;
  }
}

// Bars are members of their frame, as in the program, so they go with it.
class CBarsFrame : public CFrameWnd {
 public:
  CDialogBar m_bars[std::size(kBarTemplates)];
};

// Every control is made where the code looks it up. The variables bar's list
// positions are the two parts of a locus code (the document's GetVarPointCell),
// so they must show in this order, never sorted.
TEST(ResTablesDialogs, EveryBarIsMadeWithItsControlsAndListsInOrder) {
  auto* frame = new CBarsFrame;
  ASSERT_TRUE(frame->Create(nullptr, "bars"));
  frame->EnableDocking(CBRS_ALIGN_ANY);
  for (size_t i = 0; i < std::size(kBarTemplates); ++i) {
    const UINT id = kBarTemplates[i];
    ASSERT_TRUE(frame->m_bars[i].Create(frame, id, CBRS_ALIGN_LEFT, id + 1)) << id;
    for (const QxDialogItem& item : QxFindDialogTemplate(id)->items)
      EXPECT_NE(frame->m_bars[i].GetDlgItem(static_cast<int>(item.id)), nullptr) << item.id;
  }
  auto shown = [&](int control) {
    auto* list = static_cast<CComboBox*>(frame->m_bars[2].GetDlgItem(control));
    std::vector<CString> texts(list ? list->GetCount() : 0);
    for (size_t i = 0; i < texts.size(); ++i) list->GetLBText(static_cast<int>(i), texts[i]);
    return texts;
  };
  EXPECT_EQ(shown(IDC_LOCUS),
            (std::vector<CString>{"No Locus", "Logarithmic", "10% deviation", "25% deviation",
                                  "50% deviation", "100% deviation"}));
  EXPECT_EQ(shown(IDC_COLOUR),
            (std::vector<CString>{"(none)", "Red", "Green", "Blue", "Gray", "Purple"}));
  frame->DestroyWindow();
}

// What a static text, check box, radio button or push button needs for its
// caption at the font it draws with, and the room its control gives it there;
// nothing for other controls and empty captions.
struct Caption {
  QString text;
  QSize need;
  QSize room;
};

std::optional<Caption> CaptionOf(QWidget* widget) {
  const QFontMetrics metrics(widget->font());
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    if (label->text().isEmpty()) return std::nullopt;
    return Caption{label->text(), metrics.size(0, label->text()), label->contentsRect().size()};
  }
  auto* button = qobject_cast<QAbstractButton*>(widget);
  if (!button || button->text().isEmpty()) return std::nullopt;
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  const QStyle::SubElement contents = qobject_cast<QCheckBox*>(button) ? QStyle::SE_CheckBoxContents
                                      : qobject_cast<QRadioButton*>(button)
                                          ? QStyle::SE_RadioButtonContents
                                          : QStyle::SE_PushButtonContents;
  const QRect room = button->style()->subElementRect(contents, &option, button);
  return Caption{option.text, metrics.size(Qt::TextShowMnemonic, option.text), room.size()};
}

// Every template made into a window as the program makes it: each caption
// fits its control at the font the control draws with (a face that is
// installed, not a stand-in), in the dialog units of that font.
TEST(ResTablesDialogs, EveryCaptionFitsItsControlAtTheDialogFont) {
  int captions = 0;
  for (UINT id : QxDialogTemplateIds()) {
    SCOPED_TRACE(testing::Message() << "template " << id);
    CDialog dialog(id);
    QxTest::DialogScript script({[&](CDialog& d) {
      for (CWnd* control : d.GetChildren()) {
        QWidget* widget = control->GetWidget();
        const std::optional<Caption> caption = CaptionOf(widget);
        if (!caption) continue;
        ++captions;
        EXPECT_EQ(QFontInfo(widget->font()).family(), widget->font().family());
        EXPECT_TRUE(caption->need.width() <= caption->room.width() &&
                    caption->need.height() <= caption->room.height())
            << '"' << caption->text.toStdString() << "\" needs " << caption->need.width() << " x "
            << caption->need.height() << " px, has " << caption->room.width() << " x "
            << caption->room.height();
      }
    }});
    dialog.DoModal();
    EXPECT_EQ(script.Dialogs().size(), 1u);
  }
  EXPECT_GE(captions, 60);  // the walk reached the templates' captions
}

}  // namespace
