// Writes the fuzz targets' seed corpus and their dictionary into the folder
// named on the command line, from the program's own code, so that nothing
// stored needs remaking by hand when a record changes:
//   node_record/   one list per node kind of the kind table, and the lists of
//                  the two designs below
//   document/      a new design; the 3 x 3 design (two stored runs of 100
//                  samples, a locus on k1, a population of five recorded
//                  designs); a design whose libraries hold every node kind
//   population/    the 3 x 3 design's population and an empty one
//   clipboard_paste/  one clipboard record (no value indices) per node kind,
//                  and the 3 x 3 design's Process model
//   definition_table/  a variable table, a function table and a plain list
//   bus_frame/     frames of the registered messages the programs exchange
//   device_reply/  the board's answers to a read and a write, good and bad
//   kernels/       matrices and coefficient arrays at the ends of the double
//                  range
//   qx.dict        type words, record tags and names for every target
#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_ARJ.h"
#include "MC/MXC_BIN.h"
#include "MC/McKinds.h"
#include "MC/Mc_division.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"
#include "platform/core/Exceptions.h"
#include "platform/io/Bus.h"
#include "platform/testing/TestHooks.h"
#include "search/QOX_HistVar.h"

#include <QApplication>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<BYTE>;

fs::path g_root;

void WriteSeed(const std::string& target, const std::string& name, const Bytes& bytes) {
  fs::create_directories(g_root / target);
  std::ofstream out(g_root / target / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

template <class Store>
Bytes Stored(Store&& store) {
  CArchive out(CArchive::store);
  store(out);
  return out.TakeStoredBytes();
}

Bytes DesignBytes(CQorexDoc& doc) {
  return Stored([&](CArchive& ar) {
    ar.m_pDocument = &doc;
    doc.Serialize(ar);
  });
}

// ---- the 3 x 3 design -------------------------------------------------------------

CMcBasic* R(double v) {
  return new CMcReal(std::fabs(v), v < 0 ? 1 : 0);
}
CMcBasic* S() {
  return new CMcVariable("s", "", 0);
}
CMcBasic* Product(std::vector<CMcBasic*> factors) {
  auto* p = new CMcListmult(0);
  for (CMcBasic* f : factors) p->AppendChild(f);
  return p;
}
// c0 + c1 s + c2 s^2 (ascending). A single term stands alone and no term is
// the number 0: the loader refuses a sum of fewer than two terms.
CMcBasic* Poly(const std::vector<double>& c) {
  std::vector<CMcBasic*> terms;
  for (size_t i = 0; i < c.size(); ++i) {
    if (c[i] == 0.0) continue;
    if (i == 0) terms.push_back(R(c[i]));
    if (i == 1) terms.push_back(Product({R(c[i]), S()}));
    if (i >= 2) terms.push_back(Product({R(c[i]), new CMcPower(S(), R(double(i)), 0)}));
  }
  if (terms.empty()) return R(0);
  if (terms.size() == 1) return terms[0];
  auto* sum = new CMcListsum(0);
  for (CMcBasic* t : terms) sum->AppendChild(t);
  return sum;
}
CMcBasic* Tf(const std::vector<double>& num, const std::vector<double>& den) {
  return new CMcDivision(Poly(num), Poly(den), 0);
}
CMcBasic* Mat(int columns, std::vector<CMcBasic*> cells) {
  auto* m = new CMcMatrix(0);
  for (CMcBasic* c : cells) m->AppendChild(c);
  m->SetColumns(static_cast<WORD>(columns));
  return m;
}
CMcBasic* Identity() {
  return Mat(3, {R(1), R(0), R(0), R(0), R(1), R(0), R(0), R(0), R(1)});
}
CMcBasic* Pi(const char* sub, double T) {
  return new CMcDivision(Product({new CMcVariable("k", sub, 0), Poly({1, T})}), Poly({0, T}), 0);
}
void SetRightSide(CMXC_BIN& list, int slot, CMcBasic* rhs) {
  delete list.GetAt(slot)->SetChildAt(rhs, 1);
}

// G a 3 x 3 plant, K three PI controllers with gains k1..k3, P = L = F = I, a
// step on every command channel; 10 s at 0.1 s (100 samples); a locus on k1;
// two stored runs and five recorded designs.
std::unique_ptr<CQorexDoc> ThreeByThree() {
  auto doc = std::make_unique<CQorexDoc>();
  SetRightSide(doc->m_models, 0, Identity());
  SetRightSide(doc->m_models, 1,
               Mat(3, {Pi("1", 1), R(0), R(0), R(0), Pi("2", 2), R(0), R(0), R(0), Pi("3", 1)}));
  SetRightSide(doc->m_models, 2,
               Mat(3, {Tf({1}, {1, 1}), Tf({0.5}, {1, 2}), Tf({0.2}, {3, 1}), Tf({0.3}, {2, 1}),
                       Tf({2}, {1, 1.5, 0.5}), Tf({0.4}, {1, 1}), Tf({0.1}, {4, 1}),
                       Tf({0.2}, {2, 1}), Tf({1.5}, {1, 2, 1})}));
  SetRightSide(doc->m_models, 3, Identity());
  SetRightSide(doc->m_models, 4, Identity());
  SetRightSide(doc->m_signals, 0, Mat(1, {R(1), R(1), R(1)}));
  for (int slot = 1; slot <= 3; ++slot)
    SetRightSide(doc->m_signals, slot, Mat(1, {R(0), R(0), R(0)}));
  doc->m_dSamplingTime = 0.1;
  doc->m_dFinalTime = 10;
  doc->UpdateUsedVariables();
  const char* subs[] = {"1", "2", "3"};
  const double gains[] = {2, 1.5, 1};
  int k[3];
  for (int i = 0; i < 3; ++i) {
    k[i] = doc->m_vars.Find("k", subs[i], 0);
    doc->m_vars.m_pValue[k[i]] = gains[i];
  }
  doc->m_pVarPoints[0].m_nVariable = k[0];
  doc->m_pVarPoints[0].m_wCode = 0;
  doc->Recalculate();
  doc->UpdateHistory();
  for (int d = 0; d < 5; ++d) {
    doc->m_vars.m_pValue[k[0]] = 1.0 + 0.5 * d;
    doc->Recalculate();
    double criteria[QOX_HistVar::kCriteria];
    for (int c = 0; c < QOX_HistVar::kCriteria; ++c) criteria[c] = 0.1 * ((c + d) % 10);
    doc->m_pHistory->Add(criteria);
  }
  doc->m_vars.m_pValue[k[0]] = gains[0];
  doc->Recalculate();
  doc->m_nRuns = 2;
  for (int run = 0; run < 2; ++run) {
    doc->m_runs[run].dTs = 0.1;
    CSIMsignal* runSignals[] = {&doc->m_runs[run].setpoint, &doc->m_runs[run].control,
                                &doc->m_runs[run].output};
    for (int s = 0; s < 3; ++s) {
      runSignals[s]->Resize(3, 100);
      for (int ch = 0; ch < 3; ++ch)
        for (int t = 0; t < 100; ++t)
          runSignals[s]->At(ch, t) = std::sin(0.05 * t * (ch + 1) + s) * (run + 1);
    }
  }
  return doc;
}

// ---- node lists --------------------------------------------------------------------

// A record's 24-byte head: type word, flags, child count, baseline, box.
void PutHead(CArchive& ar, WORD type, WORD flags, WORD children) {
  ar << type << flags << children << WORD{0};
  for (int i = 0; i < 4; ++i) ar << DWORD{0};
}

Bytes ListOf(const std::vector<const CMcBasic*>& trees) {
  return Stored([&](CArchive& ar) {
    ar << static_cast<DWORD>(trees.size());
    for (const CMcBasic* tree : trees) tree->Store(ar);
  });
}

// A node of the kind that its own loader accepts, found by trying heads with
// a few number children and zeros after them: every kind of the table gets one
// without this program knowing its record.
std::unique_ptr<CMcBasic> ProbeKind(BYTE code) {
  const std::unique_ptr<CMcBasic> one(R(1.0));
  for (int tail = 0; tail <= 64; ++tail) {
    for (WORD children = 0; children <= 4; ++children) {
      const Bytes record = Stored([&](CArchive& ar) {
        PutHead(ar, McTypeWord(static_cast<McKindCode>(code)), 0, children);
        for (int c = 0; c < children; ++c) one->Store(ar);
        for (int z = 0; z < tail; ++z) ar << BYTE{0};
      });
      CArchive in(std::span<const BYTE>(record.data(), record.size()));
      std::unique_ptr<CMcBasic> node(CMcBasic::LoadNode(in));
      if (node && in.GetBytesRemaining() == 0) return node;
    }
  }
  return nullptr;
}

// The first node of the kind in the designs' trees, else a probed one.
std::unique_ptr<CMcBasic> SampleOfKind(BYTE code, const std::vector<const CMXC_BIN*>& lists) {
  CMXC_BIN found;
  for (const CMXC_BIN* list : lists)
    for (int i = 0; i < list->GetCount() && found.GetCount() == 0; ++i)
      found.CollectMatching(list->GetAt(i), McTypeWord(static_cast<McKindCode>(code)), 0xFF00);
  if (found.GetCount() > 0) {
    if (CMcBasic* copy = found.GetAt(0)->Clone()) return std::unique_ptr<CMcBasic>(copy);
  }
  return ProbeKind(code);
}

void WriteNodeLists(const std::vector<const CMXC_BIN*>& lists, CQorexDoc& everyKind) {
  for (const McKind& kind : McKindTable()) {
    std::unique_ptr<CMcBasic> sample = SampleOfKind(kind.code, lists);
    if (!sample) {
      std::fprintf(stderr, "make_corpus: no record of kind %s is accepted\n", kind.name);
      continue;
    }
    WriteSeed("node_record", std::string("kind-") + kind.name, ListOf({sample.get()}));
    everyKind.m_modelLibrary.Add(sample.release());
  }
  int n = 0;
  for (const CMXC_BIN* list : lists) {
    WriteSeed("node_record", "design-list-" + std::to_string(n++),
              Stored([&](CArchive& ar) { list->Store(ar); }));
  }
}

// The formula editor's clipboard records: one node each, written as Copy
// writes it (variables without their value index).
void WriteClipboardRecords(const CMXC_BIN& samples, const CMcBasic* process) {
  g_bClipboardDrawing = 1;
  for (int i = 0; i < samples.GetCount(); ++i) {
    const CMcBasic* node = samples.GetAt(i);
    WriteSeed("clipboard_paste", std::string("kind-") + McKindName(node->GetType()),
              Stored([&](CArchive& ar) { node->Store(ar); }));
  }
  WriteSeed("clipboard_paste", "three-by-three-process",
            Stored([&](CArchive& ar) { process->Store(ar); }));
  g_bClipboardDrawing = 0;
}

// ---- definition tables --------------------------------------------------------------

void WriteDefinitionTables() {
  CMXC_ARJ variables(0);
  variables.Add(new CMcVariable("k", "1", 0), R(2.5));
  variables.Add(new CMcVariable("x", "", kMcMinus), Poly({1, 2, 3}));
  CMXC_ARJ functions(1);
  functions.Add(new CMcFunction(new CMcVariable("x", "", 0), "f", "", 0),
                new CMcPower(new CMcVariable("x", "", 0), R(2), 0));
  CMXC_ARJ plain(2);
  plain.Add(nullptr, Tf({1}, {1, 1}));
  plain.Add(R(-1), R(3));
  const struct {
    const char* name;
    const CMXC_ARJ& table;
  } tables[] = {{"variables", variables}, {"functions", functions}, {"plain", plain}};
  for (const auto& t : tables)
    WriteSeed("definition_table", t.name, Stored([&](CArchive& ar) { t.table.Store(ar); }));
}

// ---- frames, replies, dictionary ----------------------------------------------------

void WriteFrames() {
  const struct {
    const char* name;
    WPARAM wParam;
    LPARAM lParam;
  } frames[] = {
      {"ID_DIDIRO_DAC", 0x8000'7FFF, 0x0000'FFFF},
      {"ID_DIDIRO_ADC", 0x1234'5678, -1},
  };
  for (const auto& f : frames)
    WriteSeed("bus_frame", f.name, qxbus::EncodeFrame(f.name, 4242, f.wParam, f.lParam));
}

void PutDword(Bytes& b, DWORD v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<BYTE>(v >> (8 * i)));
}

// First byte: the call (bit 7 write, low bits the channel); then the board's answer.
Bytes Reply(BYTE call, DWORD status, DWORD length, BYTE channel, DWORD code) {
  Bytes b{call};
  PutDword(b, status);
  PutDword(b, length);
  b.insert(b.end(), {channel, 0, 0, 0});
  PutDword(b, code);
  return b;
}

void WriteReplies() {
  WriteSeed("device_reply", "read-channel-2", Reply(0x02, 0, 8, 2, 3000));
  WriteSeed("device_reply", "write-channel-1", Reply(0x81, 0, 8, 1, 2048));
  WriteSeed("device_reply", "refused", Reply(0x00, 5, 8, 0, 100));
  WriteSeed("device_reply", "other-channel", Reply(0x01, 0, 8, 3, 100));
  Bytes cut = Reply(0x00, 0, 8, 0, 100);
  cut.resize(11);
  WriteSeed("device_reply", "cut", cut);
}

std::string Escaped(const Bytes& bytes) {
  std::string s;
  char hex[8];
  for (BYTE b : bytes) {
    std::snprintf(hex, sizeof hex, "\\x%02X", b);
    s += hex;
  }
  return s;
}

void WriteDictionary() {
  std::ofstream dict(g_root / "qx.dict");
  for (const McKind& kind : McKindTable()) {
    const WORD type = McTypeWord(kind.code);
    dict << "type_" << kind.name << "=\"" << Escaped({BYTE(type), BYTE(type >> 8)}) << "\"\n";
  }
  const WORD tableTag = CMXC_ARJ::kTag;
  dict << "table_tag=\"" << Escaped({BYTE(tableTag), BYTE(tableTag >> 8)}) << "\"\n";
  dict << "no_node=\"\\x00\\xFF\"\n";
  dict << "string_word_length=\"\\xFF\"\n";
  dict << "inf=\"" << Escaped({0, 0, 0, 0, 0, 0, 0xF0, 0x7F}) << "\"\n";
  dict << "nan=\"" << Escaped({0, 0, 0, 0, 0, 0, 0xF8, 0x7F}) << "\"\n";
  dict << "huge_count=\"\\xFF\\xFF\\xFF\\x7F\"\n";
  dict << "bus_magic=\"QXB1\"\n";
  dict << "dac=\"ID_DIDIRO_DAC\"\n";
  dict << "adc=\"ID_DIDIRO_ADC\"\n";
  dict << "record_length=\"\\x08\\x00\\x00\\x00\"\n";
}

// ---- numerical kernels ----------------------------------------------------------------

// Selector and option bytes (see kernels.cpp), then the numbers.
Bytes KernelInput(BYTE selector, BYTE option, const std::vector<double>& numbers) {
  Bytes b{selector, option};
  for (double v : numbers) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<BYTE>(bits >> (8 * i)));
  }
  return b;
}

// Matrices and coefficient arrays at the ends of the double range: the
// largest numbers beside small ones (which overflowed the balancing's
// scaled sums), denormals, mixed scales and non-finite numbers.
void WriteKernelSeeds() {
  constexpr double kBig = 1e308, kTiny = 4.9e-324, kMin = 2.2250738585072014e-308;
  const double inf = HUGE_VAL;
  const struct {
    const char* name;
    BYTE selector;
    std::vector<double> numbers;
  } seeds[] = {
      {"eigen-2-largest-beside-one", 0x01, {0, 0, kBig, 0, 1, 0, 0, 0}},
      {"eigen-2-negative-largest", 0x01, {0, 0, -kBig, 0, 1, 0, 0, 0}},
      {"eigen-3-largest-in-a-corner",
       0x02,
       {1, 0, 0.5, 0, -kBig, 0, 0.3, 0, 2, 0, 0.4, 0, 0.1, 0, 0.2, 0, 1.5, 0}},
      {"eigen-3-denormals",
       0x02,
       {kTiny, 0, 1, 0, 0, 0, 0, kTiny, kMin, 0, 1, 0, 1, 0, 0, kTiny, 0, 0}},
      {"eigen-4-mixed-scales", 0x03, {1e300,  0, 1e-300, 0, 1, 1, 0,     0, 1e-300, 0,     1e300,
                                      0,      0, 0,      1, 0, 0, 0,     1, 0,      1e150, -1e150,
                                      1e-150, 0, 1,      0, 0, 0, 1e-10, 0, 1e10,   0}},
      {"eigen-1-largest", 0x00, {kBig, -kBig}},
      {"eigen-8-ones", 0x07, std::vector<double>(128, 1.0)},
      {"eigen-2-infinite", 0x81, {inf, 0, 1, 0, 1, 0, 1, 0}},
      {"roots-2-largest", 0x41, {kBig, -kBig, 1}},
      {"roots-3-denormals", 0x42, {kTiny, kMin, 1, kTiny}},
      {"roots-8-mixed-scales", 0x47, {1e300, 1e-300, 1, -1e150, 1e-150, 1, 1e10, -1e-10, 1}},
      {"roots-64-largest", 0x7F, std::vector<double>(65, -kBig)},
      {"roots-1-zero-leading", 0x40, {1, 0}},
      {"roots-2-nan", 0xC1, {std::nan(""), 1, 1}},
  };
  // Each with option 0 and 1 (eigenvectors, or polishing), named -0 and -1.
  for (const auto& seed : seeds) {
    for (const BYTE option : {0, 1}) {
      WriteSeed("kernels", seed.name + std::string(option ? "-1" : "-0"),
                KernelInput(seed.selector, option, seed.numbers));
    }
  }
}

// Every document seed must open: a refused seed would leave the document
// target fuzzing the loader's first refusal only.
bool DocumentSeedsLoad() {
  bool all = true;
  for (const auto& entry : fs::directory_iterator(g_root / "document")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), {});
    CQorexDoc doc;
    CArchive ar(std::span<const BYTE>(bytes.data(), bytes.size()));
    ar.m_pDocument = &doc;
    try {
      doc.Serialize(ar);
    } catch (CArchiveException* e) {
      e->Delete();
      std::fprintf(stderr, "make_corpus: the seed %s does not open\n", entry.path().c_str());
      all = false;
    }
  }
  return all;
}

}  // namespace

namespace qxfuzz {

// Writes every target's seeds and the dictionary into root; false when a
// document seed does not open. Needs the QApplication of the caller.
bool WriteCorpus(const fs::path& root) {
  g_root = root;
  const int savedLogSteps = g_nRlLogSteps;
  g_nRlLogSteps = 30;

  CQorexDoc fresh;
  WriteSeed("document", "new-design.qox", DesignBytes(fresh));
  std::unique_ptr<CQorexDoc> big = ThreeByThree();
  WriteSeed("document", "three-by-three.qox", DesignBytes(*big));
  WriteSeed("population", "five-designs",
            Stored([&](CArchive& ar) { big->m_pHistory->Serialize(ar); }));
  WriteSeed("population", "empty", Stored([&](CArchive& ar) { fresh.m_pHistory->Serialize(ar); }));

  // Kinds the designs hold no node of and whose records zeros do not make.
  CMXC_BIN handMade;
  handMade.Add(new CMcGroup(R(-2.5), "model", 0));
  handMade.Add(new CMcFunction(S(), "cosh", "ab", 0));
  CQorexDoc everyKind;
  WriteNodeLists({&fresh.m_models, &fresh.m_signals, &big->m_models, &big->m_signals, &handMade},
                 everyKind);
  handMade.DeleteAll();
  WriteClipboardRecords(everyKind.m_modelLibrary, big->m_models.GetAt(2));
  WriteSeed("document", "every-kind.qox", DesignBytes(everyKind));
  WriteDefinitionTables();
  WriteFrames();
  WriteReplies();
  WriteKernelSeeds();
  WriteDictionary();
  g_nRlLogSteps = savedLogSteps;
  return DocumentSeedsLoad();
}

}  // namespace qxfuzz

#ifndef QX_FUZZ_REPLAY
int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  QxTest::RunWithoutAScreen();  // a box or a dialog takes its default at once
  std::setlocale(LC_NUMERIC, "C");
  return qxfuzz::WriteCorpus(argv[1]) ? 0 : 1;
}
#endif
