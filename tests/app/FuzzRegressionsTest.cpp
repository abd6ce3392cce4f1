// Every input that ever made a fuzz target fail is kept in
// fuzz/regressions/<target>/ and replayed here through the very run of its
// target, so that a build without clang (Release, ASan) still covers it. The
// folder is read when the test runs: a new input needs no edit here.
#include <gtest/gtest.h>

#include <stdexcept>

#define QX_FUZZ_REPLAY 1
#define QX_FUZZ_FAIL(what) throw std::runtime_error(what)
#include "fuzz/bus_frame.cpp"
#include "fuzz/clipboard_paste.cpp"
#include "fuzz/definition_table.cpp"
#include "fuzz/device_reply.cpp"
#include "fuzz/document.cpp"
#include "fuzz/kernels.cpp"
#include "fuzz/node_record.cpp"
#include "fuzz/population.cpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Target {
  const char* name;
  int (*run)(const std::uint8_t*, std::size_t);
};

const Target kTargets[] = {
    {"bus_frame", &qxfuzz::bus_frame::Run},
    {"clipboard_paste", &qxfuzz::clipboard_paste::Run},
    {"definition_table", &qxfuzz::definition_table::Run},
    {"device_reply", &qxfuzz::device_reply::Run},
    {"document", &qxfuzz::document::Run},
    {"kernels", &qxfuzz::kernels::Run},
    {"node_record", &qxfuzz::node_record::Run},
    {"population", &qxfuzz::population::Run},
};

const fs::path& FuzzFolder() {
  static const fs::path folder = fs::path(QX_SOURCE_DIR) / "fuzz";
  return folder;
}

std::vector<BYTE> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(FuzzRegressions, EveryKeptInputPassesItsTarget) {
  int replayed = 0;
  for (const Target& target : kTargets) {
    const fs::path folder = FuzzFolder() / "regressions" / target.name;
    if (!fs::is_directory(folder)) continue;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      const std::vector<BYTE> input = ReadAll(entry.path());
      try {
        target.run(input.data(), input.size());
      } catch (const std::exception& failure) {
        ADD_FAILURE() << entry.path().string() << ": " << failure.what();
      }
      ++replayed;
    }
  }
  RecordProperty("replayed", replayed);
  // A moved or emptied folder must not pass as a clean replay.
  EXPECT_GT(replayed, 0) << "no kept input under " << (FuzzFolder() / "regressions");
}

// A target added to fuzz/ is replayed here too, and every kept input belongs
// to a target that exists.
TEST(FuzzRegressions, EveryTargetIsReplayed) {
  ASSERT_TRUE(fs::is_directory(FuzzFolder())) << FuzzFolder();
  std::set<std::string> replayed;
  for (const Target& target : kTargets) replayed.insert(target.name);
  for (const auto& entry : fs::directory_iterator(FuzzFolder())) {
    const fs::path& path = entry.path();
    if (path.extension() == ".cpp" && path.stem() != "make_corpus") {
      EXPECT_TRUE(replayed.count(path.stem().string())) << path.filename() << " is not replayed";
    }
  }
  const fs::path regressions = FuzzFolder() / "regressions";
  if (!fs::is_directory(regressions)) return;
  for (const auto& entry : fs::directory_iterator(regressions))
    EXPECT_TRUE(replayed.count(entry.path().filename().string())) << entry.path();
}
