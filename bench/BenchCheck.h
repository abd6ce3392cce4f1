#pragma once
// A benchmark row that claims a piece of work checks that the work happened: a
// drag that moved no variable, a search with no evaluation, a redraw that drew
// nothing or a run with no sample ends the row with an error instead of timing
// an idle program, and the program then exits non-zero. Google Benchmark
// itself prints such a row's error and still exits 0, so the programs run their
// rows through RunSpecifiedBenchmarks below.
#include <benchmark/benchmark.h>

#include <QImage>

#include <cstdio>
#include <string>
#include <vector>

namespace qxbench {

// Ends the row with `what` as its error unless the work happened; returns
// whether it did, so a row can leave its loop. The first error of a row stays.
inline bool Check(benchmark::State& state, bool happened, const std::string& what) {
  if (!happened && !state.error_occurred()) state.SkipWithError(what.c_str());
  return happened;
}

// The display the flags ask for (--benchmark_format), counting the rows that
// ended with an error.
class ErrorCountingReporter final : public benchmark::BenchmarkReporter {
 public:
  explicit ErrorCountingReporter(benchmark::BenchmarkReporter* display) : m_display(display) {}
  bool ReportContext(const Context& context) override { return m_display->ReportContext(context); }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.error_occurred) ++m_errors;
    m_display->ReportRuns(runs);
  }
  void Finalize() override { m_display->Finalize(); }
  int Errors() const { return m_errors; }

 private:
  benchmark::BenchmarkReporter* m_display;  // the library's own, lives as long as the process
  int m_errors = 0;
};

// Runs the rows the flags select and returns the program's exit code: 1 when a
// row ended with an error or the filter selected no row, 0 otherwise.
inline int RunSpecifiedBenchmarks() {
  ErrorCountingReporter reporter(benchmark::CreateDefaultDisplayReporter());
  const size_t rows = benchmark::RunSpecifiedBenchmarks(&reporter);
  if (reporter.Errors() > 0) {
    std::fprintf(stderr, "%d benchmark row(s) ended with an error: their work did not happen\n",
                 reporter.Errors());
    return 1;
  }
  return rows == 0 ? 1 : 0;
}

// The pixels of the image that differ from the colour: what a redraw drew on
// its background.
inline long PixelsOtherThan(const QImage& image, QRgb colour) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  long n = 0;
  for (int y = 0; y < rgb.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x)
      if ((line[x] & 0xFFFFFFu) != (colour & 0xFFFFFFu)) ++n;
  }
  return n;
}

}  // namespace qxbench

// The main of a program whose rows all register themselves (BENCHMARK(...)).
#define QX_BENCHMARK_MAIN()                                           \
  int main(int argc, char** argv) {                                   \
    benchmark::Initialize(&argc, argv);                               \
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1; \
    const int code = qxbench::RunSpecifiedBenchmarks();               \
    benchmark::Shutdown();                                            \
    return code;                                                      \
  }
