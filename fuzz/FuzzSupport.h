#pragma once
// What the fuzz targets share: the check that ends a run on a broken
// invariant, the stored bytes of a record, fixed font metrics, and the Qt
// start-up of a target.
//
// A target defines its run as qxfuzz::<target>::Run and, unless QX_FUZZ_REPLAY
// is defined, libFuzzer's entry points around it. The normal test suite
// defines QX_FUZZ_REPLAY and its own QX_FUZZ_FAIL (a throw), includes every
// target and replays fuzz/regressions through the same runs.
#include "GlobalResources.h"
#include "platform/core/Archive.h"
#include "platform/gdi/Fonts.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#ifndef QX_FUZZ_FAIL
// libFuzzer keeps the input of a run that aborts.
#define QX_FUZZ_FAIL(what) (std::fprintf(stderr, "fuzz check failed: %s\n", what), std::abort())
#endif
#define QX_FUZZ_CHECK(condition)                \
  do {                                          \
    if (!(condition)) QX_FUZZ_FAIL(#condition); \
  } while (0)

namespace qxfuzz {

using Bytes = std::vector<BYTE>;

// The bytes a store writes: store(archive) fills a storing archive over memory.
template <class Store>
Bytes Stored(Store&& store) {
  CArchive out(CArchive::store);
  store(out);
  return out.TakeStoredBytes();
}

inline std::span<const BYTE> Span(const Bytes& bytes) {
  return {bytes.data(), bytes.size()};
}

// Fixed font metrics and the program's drawing resources for one run, put
// back after (the resources only when the run made them).
class FixedMetrics {
 public:
  FixedMetrics() : m_wasFixed(QxFixedFontMetrics()), m_ownResources(g_pMemDC == nullptr) {
    QxSetFixedFontMetrics(true);
    if (m_ownResources) InitGlobalResources();
  }
  ~FixedMetrics() {
    if (m_ownResources) FreeGlobalResources();
    QxSetFixedFontMetrics(m_wasFixed);
  }
  FixedMetrics(const FixedMetrics&) = delete;
  FixedMetrics& operator=(const FixedMetrics&) = delete;

 private:
  bool m_wasFixed, m_ownResources;
};

// A QApplication on the offscreen platform with the C numeric locale, made
// once, as the test main makes it (drawing and the document need one).
void StartQt();

// Keeps the unit about to run where the test command finds it (fuzzing only).
void NoteUnit(const std::uint8_t* data, std::size_t size);

}  // namespace qxfuzz

#ifndef QX_FUZZ_REPLAY
#include "platform/testing/TestHooks.h"

#include <QApplication>

#include <clocale>

inline void qxfuzz::StartQt() {
  static int argc = 1;
  static char name[] = "qx_fuzz";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* app = new QApplication(argc, argv);  // lives as long as the process
  (void)app;
  // Nobody answers a box or a dialog here: each takes its default at once.
  QxTest::RunWithoutAScreen();
  std::setlocale(LC_NUMERIC, "C");
}

#include "UnitNote.h"
#else
inline void qxfuzz::StartQt() {}
#endif
