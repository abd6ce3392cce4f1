// The engine (src/MC), the numerics (src/simulation), the formula editor's
// engine, the search engines and the design edits build and test without any
// window: no file of theirs reaches, through any chain of includes, a header
// of the windows layer other than the headless document base and the message
// queue, nor a window class of the program (frames, bars, views, dialogs),
// which all sit on the windows layer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::path(QX_SOURCE_DIR);

// What src/MC and src/simulation may use of platform/ui: the document base
// (CCmdTarget, CDocument and the constants they need) and the message queue,
// through which a worker speaks to the user-interface thread.
const std::set<std::string> kHeadlessUi = {"platform/ui/CmdTarget.h", "platform/ui/Constants.h",
                                           "platform/ui/Document.h", "platform/ui/MessageQueue.h"};

// The quoted includes of a file, resolved as the compiler does (the file's own
// folder, then the root and src/), as paths relative to the root; includes
// that resolve nowhere are left out.
std::vector<std::string> QuotedIncludes(const std::string& file) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*"([^"]+)\")");
  std::vector<std::string> found;
  std::ifstream in(kRoot / file);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, kInclude)) continue;
    for (const fs::path& base : {(kRoot / file).parent_path(), kRoot, kRoot / "src"}) {
      const fs::path candidate = (base / m[1].str()).lexically_normal();
      if (fs::is_regular_file(candidate)) {
        found.push_back(candidate.lexically_relative(kRoot).generic_string());
        break;
      }
    }
  }
  return found;
}

// The first chain of includes from file to a windows-layer header outside
// kHeadlessUi ("a -> b -> platform/ui/Wnd.h"), or nothing.
class WindowReach {
 public:
  std::optional<std::string> From(const std::string& file) {
    if (auto known = m_chains.find(file); known != m_chains.end()) return known->second;
    m_chains[file] = std::nullopt;  // a cycle ends here
    std::optional<std::string> chain;
    if (file.starts_with("platform/ui/") && !kHeadlessUi.count(file)) {
      chain = file;
    } else {
      for (const std::string& included : QuotedIncludes(file))
        if (auto rest = From(included)) {
          chain = file + " -> " + *rest;
          break;
        }
    }
    return m_chains[file] = chain;
  }

 private:
  std::map<std::string, std::optional<std::string>> m_chains;
};

std::vector<std::string> SourcesOf(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(kRoot / folder)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".cpp" || ext == ".h"))
      files.push_back(entry.path().lexically_relative(kRoot).generic_string());
  }
  return files;
}

TEST(IncludeLayers, EngineAndNumericsReachNoWindowHeader) {
  WindowReach reach;
  for (const char* folder : {"src/MC", "src/simulation"}) {
    const std::vector<std::string> files = SourcesOf(folder);
    EXPECT_GT(files.size(), 10u) << folder << " read from " << kRoot;
    for (const std::string& file : files) {
      const std::optional<std::string> chain = reach.From(file);
      EXPECT_FALSE(chain.has_value()) << *chain;
    }
  }
}

// Engine files that live beside windows in their folders, by name. A window
// of the editor (its name ends in "Wnd") is no engine file. A new engine file
// of these folders joins by a row here.
const struct {
  const char* folder;
  const char* names;  // a regular expression over the file name
} kEnginesBesideWindows[] = {
    {"src/editing", R"(Zev.*)"},  // the formula editor's engine
    {"src/search",
     R"((KFinder|QOX_HistVar|QOX_FreeVars|SearchGlobals|MagnitudeKnee|PatternStep|Equalizer(Engine|TestRun|Cost|Search|Identify|Genetics)|QSearch)\.(h|cpp))"},
    {"src/diagrams", R"(QOX_Drag.*\.(h|cpp))"},  // pole dragging
    {"src", R"(QorexDocEdits\.cpp)"},            // the design edits
};

TEST(IncludeLayers, EnginesBesideWindowsReachNoWindowHeader) {
  static const std::regex kWindowName(R"(.*Wnd\.(h|cpp))");
  WindowReach reach;
  for (const auto& engines : kEnginesBesideWindows) {
    SCOPED_TRACE(engines.names);
    const std::regex names(engines.names);
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(kRoot / engines.folder)) {
      const std::string name = entry.path().filename().string();
      if (!entry.is_regular_file() || !std::regex_match(name, names) ||
          std::regex_match(name, kWindowName))
        continue;
      ++checked;
      const std::optional<std::string> chain =
          reach.From(entry.path().lexically_relative(kRoot).generic_string());
      EXPECT_FALSE(chain.has_value()) << *chain;
    }
    EXPECT_GT(checked, 0) << "no file of " << engines.folder << " read from " << kRoot;
  }
}

// The check sees what it must refuse: the program's windows and the layer's.
TEST(IncludeLayers, FramesBarsViewsAndDialogsAreWindowHeaders) {
  WindowReach reach;
  for (const char* header :
       {"src/MainFrm.h", "src/CommentBar.h", "src/diagrams/QorexView.h", "src/diagrams/OutputBar.h",
        "src/editing/VarBar.h", "src/editing/TimeBoxDlg.h", "src/search/EqualizerBar.h",
        "platform/ui/Wnd.h"})
    EXPECT_TRUE(reach.From(header).has_value()) << header;
  EXPECT_FALSE(reach.From("src/QorexDoc.h").has_value()) << "the design document is headless";
}

}  // namespace
