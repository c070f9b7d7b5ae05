#include "core/storage/atomicfile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
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

namespace {

// A file-size limit makes the write fail half-way, as a full disk would; the child process
// reports 0 when it saw EFBIG as an OS error, 1: no error, 2: other code, 3: other exception.
int writeInChildWithSizeLimit(const std::string& path, rlim_t limit) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit size{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &size);
    int status = 1;
    try {
      files::writeFileAtomically(path, [](std::ostream& out) { out << std::string(1 << 20, 'n'); });
    } catch (const win_error& e) {
      status = e.code() == EFBIG ? 0 : 2;
    } catch (...) {
      status = 3;
    }
    ::_exit(status);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Every entry below `dir`, the folders included: a temporary file left behind shows up here.
size_t entriesBelow(const fs::path& dir) {
  return size_t(
      std::distance(fs::recursive_directory_iterator(dir), fs::recursive_directory_iterator()));
}

void write(const std::string& path, const std::string& content) {
  files::writeFileAtomically(path, [&](std::ostream& out) { out << content; });
}

}  // namespace

// The child process must see EFBIG as an OS error, and the previous file must survive byte for
// byte.
TEST_F(AtomicFile, WriteFailingHalfWayKeepsPreviousFile) {
  const std::string previous(1000, 'p');
  writeDirectly(previous);
  EXPECT_EQ(writeInChildWithSizeLimit(target_, 100000), 0);
  EXPECT_EQ(contents(), previous);
  EXPECT_EQ(filesInFolder(), 1u);
}

// What the user pointed at, the file that must end up with the content, and the entries the
// folder holds afterwards.
struct LinkCase {
  const char* name;
  std::function<void(const fs::path& dir)> make;
  const char* given;
  const char* holder;
  size_t entries;
};

TEST_F(AtomicFile, SymbolicLinksStayLinksAndTheirTargetGetsTheContent) {
  const auto file = [](const fs::path& path) { std::ofstream(path) << "previous"; };
  const LinkCase cases[] = {
      {"link",
       [&](const fs::path& d) {
         file(d / "real");
         fs::create_symlink("real", d / "link");
       },
       "link", "real", 2},
      {"absolute dangling link",
       [](const fs::path& d) { fs::create_symlink(d / "new", d / "link"); }, "link", "new", 2},
      {"relative link into another folder",
       [&](const fs::path& d) {
         fs::create_directories(d / "a");
         fs::create_directories(d / "b");
         file(d / "b" / "real");
         fs::create_symlink("../b/real", d / "a" / "link");
       },
       "a/link", "b/real", 4},
      {"chain of links",
       [&](const fs::path& d) {
         file(d / "real");
         fs::create_symlink("real", d / "second");
         fs::create_symlink(d / "second", d / "first");
       },
       "first", "real", 3},
  };
  for (const LinkCase& c : cases) {
    const fs::path dir = dir_ / c.name;
    fs::create_directory(dir);
    c.make(dir);
    write((dir / c.given).string(), "new");
    EXPECT_TRUE(fs::is_symlink(dir / c.given)) << c.name;
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / c.holder))) << c.name;
    EXPECT_EQ(readFile(dir / c.holder), "new") << c.name;
    EXPECT_EQ(entriesBelow(dir), c.entries) << c.name;
  }
}

TEST_F(AtomicFile, DanglingLinkIntoMissingFolderIsOsError) {
  fs::create_symlink(dir_ / "none" / "new", dir_ / "link");
  try {
    write((dir_ / "link").string(), "new");
    FAIL() << "no error";
  } catch (const win_error& e) {
    EXPECT_EQ(e.code(), ENOENT);
  }
  EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
  EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(AtomicFile, HardLinkedFileKeepsItsIdentity) {
  writeDirectly("previous");
  fs::create_hard_link(target_, dir_ / "other");
  struct stat before {};
  ASSERT_EQ(::stat(target_.c_str(), &before), 0);
  const std::string big(300000, 'x');
  write(target_, big);
  struct stat after {};
  ASSERT_EQ(::stat(target_.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_nlink, 2u);
  EXPECT_EQ(readFile(dir_ / "other"), big);
  EXPECT_EQ(contents(), big);
  EXPECT_EQ(filesInFolder(), 2u);
}

// However the target is reached, a failed write leaves every name with the previous content
// and no temporary file behind.
TEST_F(AtomicFile, FailedWriteKeepsPreviousContentBehindLinks) {
  const std::string previous(1000, 'p');
  struct Layout {
    const char* name;
    std::function<void(const fs::path& dir)> make;
  };
  const Layout layouts[] = {
      {"hard link", [](const fs::path& d) { fs::create_hard_link(d / "doc", d / "other"); }},
      {"symbolic link", [](const fs::path& d) { fs::create_symlink("doc", d / "other"); }},
  };
  for (const Layout& layout : layouts) {
    const fs::path dir = dir_ / layout.name;
    fs::create_directory(dir);
    std::ofstream(dir / "doc", std::ios::binary) << previous;
    layout.make(dir);
    EXPECT_EQ(writeInChildWithSizeLimit((dir / "other").string(), 100000), 0) << layout.name;
    EXPECT_THROW(files::writeFileAtomically((dir / "other").string(),
                                            [](std::ostream& out) {
                                              out << "half";
                                              throw MessageError("stop");
                                            }),
                 MessageError)
        << layout.name;
    EXPECT_EQ(readFile(dir / "doc"), previous) << layout.name;
    EXPECT_EQ(readFile(dir / "other"), previous) << layout.name;
    EXPECT_EQ(entriesBelow(dir), 2u) << layout.name;
  }
}

// A non-blocking reader opened first lets the writer open the pipe without waiting.
TEST_F(AtomicFile, FifoIsWrittenInPlace) {
  ASSERT_EQ(::mkfifo(target_.c_str(), 0600), 0);
  const int reader = ::open(target_.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  write(target_, "through the pipe");
  char got[64] = {};
  const ssize_t n = ::read(reader, got, sizeof got);
  ::close(reader);
  EXPECT_EQ(std::string(got, size_t(std::max<ssize_t>(n, 0))), "through the pipe");
  EXPECT_TRUE(fs::is_fifo(target_));
  EXPECT_EQ(filesInFolder(), 1u);
}

// Root gets a null device of its own in the folder, so a fault cannot replace the shared node.
TEST_F(AtomicFile, CharacterDeviceIsWrittenInPlace) {
  std::string device = "/dev/null";
  if (::geteuid() == 0 && ::mknod(target_.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
    device = target_;
  }
  write(device, "discarded");
  EXPECT_TRUE(fs::is_character_file(device));
  EXPECT_EQ(readFile(device), "");
}

TEST_F(AtomicFile, ReadOnlyTargetIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write a read-only file";
  writeDirectly("previous");
  fs::permissions(target_, fs::perms::owner_read);
  try {
    write(target_, "new");
    FAIL() << "no error";
  } catch (const win_error& e) {
    EXPECT_EQ(e.code(), EACCES);
  }
  EXPECT_EQ(contents(), "previous");
  EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(AtomicFile, ReplacedFileKeepsItsOwnerWhereAllowed) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file away";
  writeDirectly("previous");
  ASSERT_EQ(::chown(target_.c_str(), 4321, 4322), 0);
  write(target_, "new");
  struct stat after {};
  ASSERT_EQ(::stat(target_.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, 4321u);
  EXPECT_EQ(after.st_gid, 4322u);
}

TEST_F(AtomicFile, NewFileModeFollowsTheUmask) {
  const mode_t saved = ::umask(027);
  write(target_, "first");
  ::umask(saved);
  struct stat created {};
  ASSERT_EQ(::stat(target_.c_str(), &created), 0);
  EXPECT_EQ(created.st_mode & 07777, 0640u);
}
