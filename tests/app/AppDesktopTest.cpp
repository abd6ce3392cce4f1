// What the started program tells the desktop: its title on its message boxes,
// and ".qox" designs registered as its own document type.
#include "tests/support/QorexAppFixture.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class AppDesktop : public QorexAppTest {};

TEST_F(AppDesktop, TitleOnMessageBoxesAndTheDesignTypeRegistered) {
  EXPECT_STREQ(m_app->m_pszAppName, "Quorvathine");
  {
    QxTest::MessageBoxScript boxes({IDOK});
    AfxMessageBox("x");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Quorvathine");
  }
  const std::string data = std::getenv("XDG_DATA_HOME");
  const std::string entry = ReadText(data + "/applications/quorvathine.desktop");
  EXPECT_NE(entry.find("\nName=Quorvathine\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nMimeType=application/x-qorex-document;\n"), std::string::npos) << entry;
  const std::string mime = ReadText(data + "/mime/packages/quorvathine-qox.xml");
  EXPECT_NE(mime.find("<mime-type type=\"application/x-qorex-document\">"), std::string::npos)
      << mime;
  EXPECT_NE(mime.find("pattern=\"*.qox\""), std::string::npos) << mime;
}

}  // namespace
