#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/files.hpp"
#include "platform/process.hpp"

namespace qz::platform {
namespace {

namespace fs = std::filesystem;

class PosixFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "qz-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    path_ = (folder_ / "question.qzd").string();
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  [[nodiscard]] std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), {}));
  }

  fs::path folder_;
  std::string path_;
  PosixFileSystem files_;
};

TEST_F(PosixFiles, ReplaceCreatesOrReplacesWholeAndKeepsTheFilesMode) {
  files_.replace_contents(path_, "first\r\n");
  EXPECT_EQ(contents(path_), "first\r\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  files_.replace_contents(path_, "second\r\n");
  EXPECT_EQ(contents(path_), "second\r\n");
  struct stat info {};
  ASSERT_EQ(::stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777U, 0640U);
  EXPECT_EQ(entries(), 1U) << "no temporary file left behind";
}

TEST_F(PosixFiles, ReadOnlyFileIsRefusedAndKeptEvenForRoot) {
  write("host record\r\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  try {
    files_.replace_contents(path_, "new\r\n");
    FAIL() << "a read-only file was replaced";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "the file is read-only");
  }
  EXPECT_EQ(contents(path_), "host record\r\n");
  EXPECT_EQ(entries(), 1U);
}

TEST_F(PosixFiles, ReadingAMissingFileNamesTheCause) {
  try {
    files_.open_for_reading(path_);
    FAIL() << "opened a missing file";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "no such file");
  }
  write("abc");
  auto source = files_.open_for_reading(path_);
  std::array<char, 8> buffer{};
  EXPECT_EQ(source->read(buffer), 3U);
  EXPECT_EQ(source->read(buffer), 0U);
}

TEST(Process, ExecutableFolderIsTheFolderOfThisTestProgram) {
  const fs::path self = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(executable_folder(), self.parent_path().string());
}

}  // namespace
}  // namespace qz::platform
