// The three writers of the program (document, protocol, text export) on a full disk and where
// no file can be created: each raises the system's error for the console and leaves the files
// that were there byte for byte, with no temporary file behind.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/storage/fakedevice.h"
#include "core/storage/files.h"
#include "core/storage/report.h"
#include "core/storage/reportfixture.h"
#include "core/storage/textexchange.h"

namespace {
namespace fs = std::filesystem;

struct SaveWriter {
  const char* name;
  std::function<void(const std::string& path)> write;
};

class SaveFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "savefailure.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove_all(dir_);
  }

  std::vector<SaveWriter> writers() {
    return {
        {"document", [this](const std::string& p) { files::writeDocument(p, device_, packages_); }},
        {"report", [this](const std::string& p) { writeReport(p, device_, *packages_[0]); }},
        {"export",
         [this](const std::string& p) { exportTextFile(p, *packages_[0], {1}, ';', '.'); }},
    };
  }

  static void put(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::string bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  size_t filesInFolder() const {
    return size_t(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
  FakeDevice device_{kFirstKeltCode};
  std::vector<PackagePtr> packages_{
      packageOf(ekKelt, pkCalibration, mVolume, {{{1, 21.0}}, {{1, 19.5}}})};
};

// The code of the win_error `write` raises (0 when it succeeds, -1 for another exception), and
// the text the console would show.
struct SaveOutcome {
  int code = 0;
  std::string text;
};
SaveOutcome outcomeOf(const SaveWriter& writer, const std::string& path) {
  try {
    writer.write(path);
  } catch (const win_error& e) {
    return {e.code(), e.what()};
  } catch (const std::exception& e) {
    return {-1, e.what()};
  }
  return {};
}

// A file-size limit in a child process fails the write as a full disk does, half-way through.
TEST_F(SaveFailure, FullDiskKeepsThePreviousFile) {
  const std::string previous = "previous\r\n\xff bytes";
  for (const SaveWriter& writer : writers()) {
    const fs::path path = dir_ / writer.name;
    put(path, previous);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{1, 1};  // the first byte goes in, the next one fails
      ::setrlimit(RLIMIT_FSIZE, &limit);
      const SaveOutcome got = outcomeOf(writer, path.string());
      const bool told =
          got.code == EFBIG && got.text.find(std::strerror(EFBIG)) != std::string::npos;
      ::_exit(told ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << writer.name << ": not EFBIG";
    EXPECT_EQ(bytes(path), previous) << writer.name;
  }
  EXPECT_EQ(filesInFolder(), writers().size());
}

TEST_F(SaveFailure, ReadOnlyFolderKeepsThePreviousFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into a folder without write permission";
  for (const SaveWriter& writer : writers()) put(dir_ / writer.name, "previous");
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  for (const SaveWriter& writer : writers()) {
    EXPECT_EQ(outcomeOf(writer, (dir_ / writer.name).string()).code, EACCES) << writer.name;
    EXPECT_EQ(bytes(dir_ / writer.name), "previous") << writer.name;
  }
  EXPECT_EQ(filesInFolder(), writers().size());
}

// What a read-only folder is to root too: a place where no file can be created. The file that
// stands where the folder should be is left alone.
TEST_F(SaveFailure, FolderThatIsAFileIsReported) {
  put(dir_ / "folder", "not a folder");
  for (const SaveWriter& writer : writers()) {
    const SaveOutcome got = outcomeOf(writer, (dir_ / "folder" / writer.name).string());
    EXPECT_EQ(got.code, ENOTDIR) << writer.name;
    EXPECT_NE(got.text.find(std::strerror(ENOTDIR)), std::string::npos) << got.text;
  }
  EXPECT_EQ(bytes(dir_ / "folder"), "not a folder");
  EXPECT_EQ(filesInFolder(), 1u);
}

}  // namespace
