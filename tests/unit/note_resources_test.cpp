#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "modules/module_table.hpp"
#include "note_reading/note_resources.hpp"
#include "platform/resource_file.hpp"
#include "resource_format/asset_checks.hpp"
#include "resource_format/resource_names.hpp"
#include "resource_format/sound.hpp"
#include "tests/support/module_file.hpp"

namespace qz {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(NoteSound, EveryKeyIsTheTemplateWithOnlyItsKeyBytesChanged) {
  const std::string middle_c = note_reading::note_sound(60);
  ASSERT_EQ(middle_c.size(), 65U);
  EXPECT_EQ(sound_problem(middle_c), std::nullopt);
  EXPECT_EQ(middle_c.substr(0, 4), "MThd");
  EXPECT_EQ(middle_c.substr(52, 9), std::string("\x00\x90\x3C\x50\x86\x00\x80\x3C\x40", 9));
  for (int key = 28; key <= 96; ++key) {
    const std::string sound = note_reading::note_sound(key);
    for (std::size_t i = 0; i < sound.size(); ++i) {
      if (i == note_reading::kNoteOnKeyOffset || i == note_reading::kNoteOffKeyOffset) {
        EXPECT_EQ(static_cast<unsigned char>(sound[i]), key);
      } else {
        EXPECT_EQ(sound[i], middle_c[i]) << "key " << key << " offset " << i;
      }
    }
  }
}

TEST(NoteResources, EveryNameAModuleCanWriteFindsItsPictureAndSoundCaseIgnored) {
  for (const modules::ModuleRow& row : modules::module_table()) {
    if (!row.notes) {
      continue;
    }
    const note_reading::NoteVariant& variant = *row.notes;
    std::set<std::string> carried;
    std::map<std::string, int> keys;
    for (const ResourceEntry& entry : modules::own_resources(row)) {
      carried.insert(resource_key(entry.type, entry.name));
      if (entry.type == "DMSEG") {
        keys[entry.name] = static_cast<unsigned char>(entry.bytes[note_reading::kNoteOnKeyOffset]);
      }
    }
    const auto count =
        static_cast<std::size_t>(variant.highest_carried - variant.lowest_carried + 1);
    EXPECT_EQ(carried.size(), 2 * count) << row.name;
    for (int p = variant.lowest_asked; p <= variant.highest_asked; ++p) {
      const std::string name = note_reading::position_name(variant.clef, p);  // "09_re"
      EXPECT_TRUE(carried.count(resource_key("images", name))) << row.name << " " << name;
      EXPECT_TRUE(carried.count(resource_key("DMSEG", name))) << row.name << " " << name;
    }
    const std::string middle_c = variant.clef == note_reading::Clef::treble ? "08_DO" : "20_DO";
    if (keys.count(middle_c) != 0) {
      EXPECT_EQ(keys[middle_c], 60) << row.name;
    }
  }
}

TEST(ResourceKey, CaseIgnoredAndDecimalNamesAreIntegerIdentifiers) {
  EXPECT_EQ(resource_key("images", "02_re"), "IMAGES/02_RE");
  EXPECT_EQ(resource_key("IMAGES", "0100"), resource_key("images", "100"));
  EXPECT_NE(resource_key("IMAGES", "100"), resource_key("DMSEG", "100"));
}

TEST(AssetChecks, CommittedPicturesPassAndBrokenOnesAreNamed) {
  const fs::path resources = fs::path(QZ_SOURCE_DIR) / "resources";
  int checked = 0;
  for (const auto& entry : fs::recursive_directory_iterator(resources / "staff")) {
    if (entry.is_regular_file()) {
      EXPECT_EQ(jpeg_problem(read_file(entry.path())), std::nullopt) << entry.path();
      ++checked;
    }
  }
  EXPECT_EQ(checked, 58);
  const std::string blank = read_file(resources / "common/100.jpg");
  EXPECT_EQ(blank.size(), 1093U);
  ASSERT_EQ(jpeg_problem(blank), std::nullopt);

  std::string progressive = blank;
  const auto frame = progressive.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  progressive[frame + 1] = '\xC2';
  EXPECT_EQ(jpeg_problem(progressive), "not a baseline JPEG (progressive or other coding)");
  std::string wide = blank;
  wide[frame + 8] = 0;  // width 146 -> 0
  EXPECT_EQ(jpeg_problem(wide), "picture is 0 x 200, 146 x 200 needed");
  EXPECT_EQ(jpeg_problem("GIF89a"), "not a JPEG file");
}

TEST(AssetChecks, SoundStructureIsCheckedNotJustItsName) {
  const std::string sound = note_reading::note_sound(60);
  EXPECT_EQ(sound_problem(sound.substr(0, 50)), "MIDI track 2 runs past the end of the file");
  EXPECT_EQ(sound_problem(std::string("RIFF\4\0\0\0WAVE", 12)), "WAVE without data");
  EXPECT_EQ(sound_problem("ID3 an mp3 file"), "neither a MIDI file nor a WAVE recording");
  std::string no_track = sound;
  no_track[41] = 'X';
  EXPECT_EQ(sound_problem(no_track), "MIDI track 2 missing");
}

class ResourceFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "qz-res-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    // A module file with an archive of two resources (the end-to-end tests
    // open the real ones, archive behind program).
    testing::write_module_file(folder_ / "Module.exe",
                               {{"IMAGES/100", "blank"}, {"DMSEG/08_DO", "do"}});
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path folder_;
};

TEST_F(ResourceFileTest, FindsByTypeAndNameCaseIgnoredAndNamesWhatIsMissing) {
  const platform::ResourceFile file((folder_ / "Module.exe").string());
  EXPECT_EQ(file.find("images", "0100"), "blank");
  EXPECT_EQ(file.find("DMSEG", "08_Do"), "do");
  EXPECT_EQ(file.find("IMAGES", "08_DO"), std::nullopt);
  EXPECT_EQ(file.list().size(), 2U);
  try {
    (void)file.read("DMSEG", "NON");
    FAIL();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "no DMSEG resource \"NON\" in Module.exe");
  }
}

TEST_F(ResourceFileTest, AnArchiveWithACommentIsFoundBehindIt) {
  // The build writes none, and its end record is read alone; another
  // archive's comment is searched through.
  const fs::path module = folder_ / "Module.exe";
  std::string commented = read_file(module);
  const std::string comment = "PK\x05\x06 made elsewhere";
  commented[commented.size() - 2] = static_cast<char>(comment.size());
  std::ofstream(module, std::ios::binary | std::ios::trunc) << commented + comment;
  EXPECT_EQ(platform::ResourceFile(module.string()).find("DMSEG", "08_DO"), "do");
}

TEST_F(ResourceFileTest, AFileWithoutResourcesIsAClearFailure) {
  std::ofstream(folder_ / "plain.exe") << "just a program";
  try {
    const platform::ResourceFile file((folder_ / "plain.exe").string());
    FAIL();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(),
                 "cannot open the resources of plain.exe: the file carries no resources");
  }
}

TEST_F(ResourceFileTest, ADamagedArchiveIsRefusedNamingTheFault) {
  const fs::path module = folder_ / "Module.exe";
  const std::string good = read_file(module);
  const std::size_t end_record = good.size() - 22;  // no archive comment
  struct Case {
    std::string name;
    std::size_t at;
    std::string bytes;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"entry count", end_record + 8, std::string("\x03\x00\x03", 3),
       "damaged resource archive in Module.exe (a directory of 113 bytes cannot hold 3 entries)"},
      {"directory offset", end_record + 16,
       std::string(1, static_cast<char>(good[end_record + 16] + 1)),
       "damaged resource archive in Module.exe (the directory does not end where the end "
       "record starts)"},
      {"end record", end_record, "X",
       "cannot open the resources of Module.exe: the file carries no resources"},
      {"data", good.find("do"), "D",
       "damaged resource archive in Module.exe (entry DMSEG/08_DO: CRC mismatch)"},
  };
  for (const Case& c : cases) {
    std::string damaged = good;
    damaged.replace(c.at, c.bytes.size(), c.bytes);
    std::ofstream(module, std::ios::binary | std::ios::trunc) << damaged;
    try {
      const platform::ResourceFile file(module.string());
      EXPECT_EQ(file.find("images", "100"), "blank") << c.name << ": other entries still read";
      (void)file.find("DMSEG", "08_DO");
      ADD_FAILURE() << c.name << ": no error";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(error.what(), c.error) << c.name;
    }
  }
}

}  // namespace
}  // namespace qz
