// The program itself on a real X server: started under Xvfb with a saved
// design, it shows its main window with the bars and the design's page, and
// names the design in its caption; a screenshot of the virtual screen and the
// window list prove it. Skipped where Xvfb or the screenshot tools (xwd,
// xwdtopnm) are missing; the caption is checked where xwininfo exists.
#include "tests/support/QorexAppFixture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool HaveTool(const char* name) {
  const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
  unsigned Pixel(int x, int y) const {
    const std::size_t i = 3 * (static_cast<std::size_t>(y) * width + x);
    return (rgb[i] << 16) | (rgb[i + 1] << 8) | rgb[i + 2];
  }
};

// A binary PPM (P6) as xwdtopnm writes it: 8 or 16 bits per sample,
// kept as 8 (the high byte of a 16-bit sample).
bool ReadPpm(const fs::path& path, Picture* picture) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> picture->width >> picture->height >> maxval;
  if (!in || magic != "P6" || (maxval != 255 && maxval != 65535) || picture->width <= 0 ||
      picture->height <= 0 || picture->width > 8192 || picture->height > 8192) {
    return false;
  }
  in.get();
  const std::size_t samples = 3 * static_cast<std::size_t>(picture->width) * picture->height;
  const std::size_t bytesPerSample = maxval == 255 ? 1 : 2;
  std::vector<unsigned char> raw(samples * bytesPerSample);
  in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
  if (static_cast<std::size_t>(in.gcount()) != raw.size()) return false;
  picture->rgb.resize(samples);
  for (std::size_t i = 0; i < samples; ++i) picture->rgb[i] = raw[i * bytesPerSample];
  return true;
}

int Count(const Picture& picture, int x0, int y0, int x1, int y1, unsigned colour) {
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) n += picture.Pixel(x, y) == colour;
  }
  return n;
}

}  // namespace

TEST(AppSmoke, ProgramOpensASavedDesignOnAnXServer) {
  const fs::path program =
      fs::canonical("/proc/self/exe").parent_path().parent_path() / "src" / "quorvathine";
  if (!fs::exists(program)) GTEST_SKIP() << "no program at " << program;
  for (const char* tool : {"xvfb-run", "xwd", "xwdtopnm"}) {
    if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  }
  const fs::path folder = qxtest::MakeTempDir("smoke");
  const fs::path shot = folder / "screen.xwd";
  const fs::path ppm = folder / "screen.ppm";
  const fs::path alive = folder / "alive";
  const fs::path windows = folder / "windows.txt";
  const fs::path design = folder / "smoke.qox";
  BOOL started = FALSE;
  auto maker = StartApp({}, &started);
  ASSERT_TRUE(started);
  ASSERT_TRUE(ActiveDocOf(*maker)->OnSaveDocument(design.c_str()));
  StopApp(std::move(maker));

  // The program runs for a few seconds; the screenshot is taken while it runs.
  const fs::path script = folder / "smoke.sh";
  std::ofstream(script) << "QT_QPA_PLATFORM=xcb \"$1\" \"$2\" & p=$!\n"
                        << "sleep 5\n"
                        << "if kill -0 $p 2>/dev/null; then touch '" << alive.string() << "'; fi\n"
                        << "xwd -root -silent > '" << shot.string() << "'\n"
                        << "xwininfo -root -tree > '" << windows.string() << "' 2>/dev/null\n"
                        << "kill $p; wait $p\n";
  const std::string command = "xvfb-run -a -s '-screen 0 1024x768x24' sh '" + script.string() +
                              "' '" + program.string() + "' '" + design.string() +
                              "' >/dev/null 2>&1";
  std::system(command.c_str());
  ASSERT_TRUE(fs::exists(alive)) << "the program did not keep running";
  const std::string convert =
      "xwdtopnm '" + shot.string() + "' > '" + ppm.string() + "' 2>/dev/null";
  ASSERT_EQ(std::system(convert.c_str()), 0);
  Picture picture;
  ASSERT_TRUE(ReadPpm(ppm, &picture));
  ASSERT_EQ(picture.width, 1024);
  ASSERT_EQ(picture.height, 768);
  // The docked "ProcessView" bar's face at the left, the white design page
  // right of it, the "SimulationView" bar's face across the bottom half.
  EXPECT_GT(Count(picture, 0, 80, 200, 400, 0xC0C0C0), 10000);
  EXPECT_GT(Count(picture, 400, 80, 900, 400, 0xFFFFFF), 10000);
  EXPECT_GT(Count(picture, 0, 400, 1024, 768, 0xC0C0C0), 10000);
  if (HaveTool("xwininfo")) {
    std::ifstream in(windows);
    const std::string list((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The design's window opens maximised: its title in brackets.
    EXPECT_NE(list.find("\"Quorvathine - [smoke.qox]\""), std::string::npos) << list;
  }
}
