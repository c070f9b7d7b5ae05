#include "core/storage/atomicfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

#include "core/base/errors.h"

namespace fs = std::filesystem;

namespace {

class AtomicFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "atomicfile.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    target_ = (dir_ / "doc.srv").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void writeDirectly(const std::string& content) {
    std::ofstream(target_, std::ios::binary) << content;
  }

  std::string contents() const {
    std::ifstream in(target_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  size_t filesInFolder() const {
    return size_t(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
  std::string target_;
};

}  // namespace

TEST_F(AtomicFile, ReplacesTargetKeepingItsPermissions) {
  writeDirectly("previous");
  fs::permissions(target_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const std::string big(300000, 'x');  // several buffer fills
  files::writeFileAtomically(target_, [&](std::ostream& out) { out << "new" << big; });
  EXPECT_EQ(contents(), "new" + big);
  EXPECT_EQ(fs::status(target_).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(AtomicFile, CreatesMissingTarget) {
  files::writeFileAtomically(target_, [](std::ostream& out) { out << "first"; });
  EXPECT_EQ(contents(), "first");
  EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(AtomicFile, FailureWhileFillingLeavesPreviousFile) {
  writeDirectly("previous");
  EXPECT_THROW(files::writeFileAtomically(target_,
                                          [](std::ostream& out) {
                                            out << "half";
                                            throw MessageError("stop");
                                          }),
               MessageError);
  EXPECT_EQ(contents(), "previous");
  EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(AtomicFile, MissingFolderIsOsError) {
  try {
    files::writeFileAtomically((dir_ / "none" / "doc.srv").string(), [](std::ostream&) {});
    FAIL() << "no error";
  } catch (const win_error& e) {
    EXPECT_EQ(e.code(), ENOENT);
  }
}

// A file-size limit makes the write fail half-way, as a full disk would: the child process must
// see EFBIG as an OS error, and the previous file must survive byte for byte.
TEST_F(AtomicFile, WriteFailingHalfWayKeepsPreviousFile) {
  const std::string previous(1000, 'p');
  writeDirectly(previous);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100000, 100000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    int status = 1;
    try {
      files::writeFileAtomically(target_,
                                 [](std::ostream& out) { out << std::string(1 << 20, 'n'); });
    } catch (const win_error& e) {
      status = e.code() == EFBIG ? 0 : 2;
    } catch (...) {
      status = 3;
    }
    ::_exit(status);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error, 2: other code, 3: other exception";
  EXPECT_EQ(contents(), previous);
  EXPECT_EQ(filesInFolder(), 1u);
}
