#include "core/storage/filetype.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/base/errors.h"

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct TempDir {
  fs::path path = fs::temp_directory_path() / ("tdft-" + std::to_string(::getpid()));
  TempDir() { fs::remove_all(path); }
  ~TempDir() { fs::remove_all(path); }
};

}  // namespace

TEST(FileTypeTest, ExecArgumentIsQuotedForTheDesktopEntryFormat) {
  struct Case {
    std::string path, quoted;
  } cases[] = {
      {"/opt/td/tdservice", R"("/opt/td/tdservice")"},
      {"/home/a b/tdservice", R"("/home/a b/tdservice")"},
      // Inside the quotes " ` $ \ take a backslash, and the string escapes double it again.
      {R"(/x"y)", R"("/x\\"y")"},
      {"/x$HOME`id`", R"("/x\\$HOME\\`id\\`")"},
      {R"(/x\y)", R"("/x\\\\y")"},
      {"/100%/t", R"("/100%%/t")"},
  };
  for (const Case& c : cases) EXPECT_EQ(filetype::quoteExecArgument(c.path), c.quoted) << c.path;
  EXPECT_NE(filetype::desktopEntry("/opt/td/tdservice").find("\nExec=\"/opt/td/tdservice\" %f\n"),
            std::string::npos);
}

TEST(FileTypeTest, RegistrationWritesTheThreeFilesAndTellsWhetherAnythingChanged) {
  TempDir home;
  EXPECT_TRUE(filetype::registerFileType(home.path, "/opt/td/tdservice", "<svg/>"));
  const std::string mime = slurp(home.path / "mime/packages/tidemarkservice-srv.xml");
  EXPECT_NE(mime.find("<mime-type type=\"application/x-tidemarkservice-srv\">"), std::string::npos);
  EXPECT_NE(mime.find("<glob pattern=\"*.srv\"/>"), std::string::npos);
  const std::string entry = slurp(home.path / "applications/tidemarkservice.desktop");
  EXPECT_NE(entry.find("MimeType=application/x-tidemarkservice-srv;"), std::string::npos);
  EXPECT_EQ(slurp(home.path / "icons/hicolor/scalable/apps/tidemarkservice.svg"), "<svg/>");

  // Rewritten at every start: the same program changes nothing, a moved one changes the entry.
  EXPECT_FALSE(filetype::registerFileType(home.path, "/opt/td/tdservice", "<svg/>"));
  EXPECT_TRUE(filetype::registerFileType(home.path, "/usr/bin/tdservice", "<svg/>"));
  EXPECT_NE(slurp(home.path / "applications/tidemarkservice.desktop").find("/usr/bin/tdservice"),
            std::string::npos);
  for (const auto& e : fs::recursive_directory_iterator(home.path))
    EXPECT_NE(e.path().extension(), ".new") << "temporary file left behind";
}

TEST(FileTypeTest, UnwritableDataFolderIsAnOsError) {
  TempDir home;
  fs::create_directories(home.path.parent_path());
  std::ofstream(home.path) << "a file where the folder should be";
  EXPECT_THROW(filetype::registerFileType(home.path, "/opt/td/tdservice", "<svg/>"), win_error);
  fs::remove(home.path);
}

// The installed program ships the MIME type and the desktop entry from data/; they must be the
// very files the start-up writes, under the same names, or the program shows twice in menus.
TEST(FileTypeTest, InstalledFilesAreTheOnesTheStartUpWrites) {
  const fs::path data = TD_DESKTOP_DATA;
  EXPECT_EQ(slurp(data / fs::path(filetype::kMimeFile).filename()), filetype::mimePackageXml());
  EXPECT_EQ(slurp(data / fs::path(filetype::kDesktopFile).filename()),
            filetype::installedDesktopEntry());
  EXPECT_NE(filetype::installedDesktopEntry().find("\nExec=tdservice %f\n"), std::string::npos);
}
