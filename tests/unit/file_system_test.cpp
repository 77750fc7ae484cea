// The file layer of the platform this test program was built for: the same
// cases on Linux and, under Wine, on Windows.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/process.hpp"
#include "platform/system.hpp"
#ifdef _WIN32
#include "platform/win32/wide.hpp"
#endif

namespace qz::platform {
namespace {

namespace fs = std::filesystem;

// The modules' paths are UTF-8 text; on Windows a path's own narrow text is
// in the ANSI code page, so convert explicitly.
fs::path path_of(const std::string& utf8) { return {std::u8string(utf8.begin(), utf8.end())}; }
std::string text_of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Blanks and accents, as in a Windows user's folder.
    folder_ =
        fs::temp_directory_path() / path_of("qz files é " + std::to_string(std::random_device{}()));
    fs::create_directories(folder_);
    path_ = text_of(folder_ / "question.qzd");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(path_of(path_), fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove_all(folder_);
  }

  static std::string contents(const std::string& path) {
    std::ifstream in(path_of(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void write(const std::string& text) { std::ofstream(path_of(path_), std::ios::binary) << text; }
  [[nodiscard]] std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), {}));
  }

  fs::path folder_;
  std::string path_;
  std::unique_ptr<FileSystem> files_ = make_system().files;
};

TEST_F(FileSystemTest, ReplaceCreatesOrReplacesWholeAndLeavesNoTemporaryFile) {
  files_->replace_contents(path_, "first\r\n");
  EXPECT_EQ(contents(path_), "first\r\n");
#ifndef _WIN32
  fs::permissions(path_of(path_),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
  files_->replace_contents(path_, "second\r\n");
  EXPECT_EQ(contents(path_), "second\r\n");
#ifndef _WIN32
  EXPECT_EQ(fs::status(path_of(path_)).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
      << "the file keeps its mode";
#endif
  EXPECT_EQ(entries(), 1U) << "no temporary file left behind";
}

TEST_F(FileSystemTest, ReplacingRemovesOnlyOurTemporaryFilesUnchangedForOverAMinute) {
  // Left by a run killed before its rename, or still being written by a
  // concurrent one, or not ours at all.
  const auto now = fs::file_time_type::clock::now();
  const struct {
    const char* name;
    fs::file_time_type written;
    bool removed;
  } cases[] = {
      {".question.qzd.Ab12Cd", now - std::chrono::minutes(2), true},
      {".question.qzd.Ef34Gh", now - std::chrono::seconds(30), false},
      {".question.qzd.Ij56Kl", now, false},
      {".question.qzd.Mn78O", now - std::chrono::minutes(2), false},
      {".notes.qzd.Pq90Rs", now - std::chrono::minutes(2), false},
  };
  for (const auto& c : cases) {
    std::ofstream(folder_ / c.name) << "part of a record";
    fs::last_write_time(folder_ / c.name, c.written);
  }
  files_->replace_contents(path_, "new\r\n");
  for (const auto& c : cases) {
    EXPECT_EQ(fs::exists(folder_ / c.name), !c.removed) << c.name;
  }
  EXPECT_EQ(contents(path_), "new\r\n");
}

TEST_F(FileSystemTest, ReadOnlyFileIsRefusedAndKeptEvenForRoot) {
  write("host record\r\n");
  fs::permissions(path_of(path_),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  try {
    files_->replace_contents(path_, "new\r\n");
    FAIL() << "a read-only file was replaced";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "the file is read-only");
  }
  EXPECT_EQ(contents(path_), "host record\r\n");
  EXPECT_EQ(entries(), 1U);
}

TEST_F(FileSystemTest, ReadingAMissingFileNamesTheCause) {
  try {
    files_->open_for_reading(path_);
    FAIL() << "opened a missing file";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "no such file");
  }
  write("abc");
  auto source = files_->open_for_reading(path_);
  std::array<char, 8> buffer{};
  EXPECT_EQ(source->read(buffer), 3U);
  EXPECT_EQ(source->read(buffer), 0U);
}

TEST_F(FileSystemTest, AFolderThatTakesNoNewFileIsNamedAsTheCause) {
  // A folder that refuses new files even to root: sysfs, which Wine shows as
  // Z:\sys.
#ifdef _WIN32
  const std::string path = "Z:\\sys\\question.qzd";
#else
  const std::string path = "/sys/question.qzd";
#endif
  try {
    files_->replace_contents(path, "new\r\n");
    FAIL() << "wrote in " << path;
  } catch (const FolderNotWritable& error) {
    EXPECT_STRNE(error.what(), "");
  }
}

#ifdef _WIN32
TEST(Process, AFailedWindowsCallIsNamedByWindowsOwnCause) {
  // A call that failed without setting its error (seen with no display)
  // never reads as "Success".
  EXPECT_STREQ(windows_error(ERROR_SUCCESS).what(), "Windows gave no cause (error 0)");
  const std::string disk_full = windows_error(ERROR_DISK_FULL).what();
  ASSERT_FALSE(disk_full.empty());
  EXPECT_EQ(disk_full.find('\n'), std::string::npos);
  EXPECT_NE(disk_full.back(), '.');
}
#endif

TEST(Process, PathsBesideTheExecutableFindThisTestProgram) {
  EXPECT_TRUE(fs::exists(path_of(path_beside_executable("qz_unit_tests"))) ||
              fs::exists(path_of(path_beside_executable("qz_unit_tests.exe"))));
}

}  // namespace
}  // namespace qz::platform
