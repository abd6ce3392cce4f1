// Feeds arbitrary bytes to the expression list loader (CMXC_BIN::Load, so
// CMcBasic::LoadNode and every kind's record). Checks that a refused list is
// left empty; that an accepted list stores, loads back and stores again the
// same bytes as its first store; and that every accepted tree lays out with
// fixed metrics, draws into a small image and evaluates on a new document's
// variable table without a fault.
#include "fuzz/FuzzSupport.h"

#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/MXC_BIN.h"
#include "MC/McComplex.h"
#include "QorexDoc.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/Gdi.h"

#include <memory>

namespace qxfuzz::node_record {
namespace {

// A list that deletes its trees when it goes.
struct OwnedList {
  CMXC_BIN list;
  ~OwnedList() { list.DeleteAll(); }
};

// A small white image in the expression contexts' settings.
class Canvas {
 public:
  Canvas() {
    m_dc.CreateCompatibleDC(nullptr);
    m_bitmap.CreateCompatibleBitmap(&m_dc, 96, 64);
    m_old = m_dc.SelectObject(&m_bitmap);
    m_dc.FillSolidRect(0, 0, 96, 64, RGB(255, 255, 255));
    m_dc.SetBkMode(TRANSPARENT);
    m_dc.SetTextAlign(TA_LEFT | TA_BASELINE);
  }
  ~Canvas() { m_dc.SelectObject(m_old); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  CDC* dc() { return &m_dc; }

 private:
  CDC m_dc;
  CBitmap m_bitmap;
  CBitmap* m_old = nullptr;
};

CQorexDoc& NewDocument() {
  static CQorexDoc* doc = new CQorexDoc;  // never changed by a run
  return *doc;
}

}  // namespace

int Run(const std::uint8_t* data, std::size_t size) {
  OwnedList loaded;
  CArchive in(std::span<const BYTE>(data, size));
  if (!loaded.list.Load(in)) {
    QX_FUZZ_CHECK(loaded.list.GetCount() == 0);
    return 0;
  }
  const Bytes first = Stored([&](CArchive& ar) { loaded.list.Store(ar); });
  OwnedList again;
  CArchive reread(Span(first));
  QX_FUZZ_CHECK(again.list.Load(reread) && reread.GetBytesRemaining() == 0);
  const Bytes second = Stored([&](CArchive& ar) { again.list.Store(ar); });
  QX_FUZZ_CHECK(second == first);

  FixedMetrics metrics;
  Canvas canvas;
  CQorexDoc& doc = NewDocument();
  for (int i = 0; i < loaded.list.GetCount(); ++i) {
    CMcBasic* tree = loaded.list.GetAt(i);
    tree->Layout(canvas.dc(), kMcLayoutFromTop);
    tree->Draw(canvas.dc(), 0, 0);
    McComplex value{};
    tree->Evaluate(&value, &doc, &doc.m_system);
  }
  g_bEvalError = 0;
  return 0;
}

}  // namespace qxfuzz::node_record

#ifndef QX_FUZZ_REPLAY
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qxfuzz::StartQt();
  // Once for the process: the runs then find the resources made.
  QxSetFixedFontMetrics(true);
  InitGlobalResources();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qxfuzz::NoteUnit(data, size);
  return qxfuzz::node_record::Run(data, size);
}
#endif
