// The request cycle, the countdown and the sound button, run against
// scripted time, memory files and a recording audio layer.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "banks/bank_layouts.hpp"
#include "modules/module_table.hpp"
#include "note_reading/note_layout.hpp"
#include "shell/countdown.hpp"
#include "shell/module.hpp"
#include "tests/support/fakes.hpp"

namespace qz {
namespace {

using std::chrono::milliseconds;

const std::string kHostRecord = "\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\",\"i\"\r\n";
const std::string kExchange = "/modules/question.qzd";

// A generator that fills the labels from a fixed caption, optionally failing.
Generator fixed_generator(std::vector<std::string>& log, std::string sound, bool fail = false) {
  Generator generator;
  generator.run = [&log, sound, fail](Form_jeu& form, UniformSource& /*random*/) {
    log.emplace_back("generate");
    if (fail) {
      throw std::runtime_error("broken bank");
    }
    form.Label_question.Caption = "Q";
    form.Label_Bonne_reponse.Caption = "1";
    form.Label_image.Caption = "100";
    form.Label_musiques_sons.Caption = sound;
  };
  return generator;
}

// The window created now and its events run to the end.
void run_headless(Form_jeu& form, Clock& clock) {
  HeadlessWindow window(clock);
  window.create(form);
  window.run_events(form);
}

// The blank picture every module carries: a real 146 x 200 JPEG, as the
// request cycle checks the picture it names.
std::string blank_picture() {
  std::ifstream in(std::string(QZ_SOURCE_DIR) + "/resources/common/100.jpg", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct Harness {
  testing::MemoryFileSystem files;
  testing::ScriptedClock clock;
  testing::ScriptedSource random;
  std::vector<std::string> log;
  std::vector<std::string> errors;
  std::vector<milliseconds> plays;  // the clock at each play
  testing::ScriptedCloseRequests close_requests{clock};
  bool fail_audio_start = false;
  bool fail_audio_play = false;
  std::map<std::string, std::string> resources = {{"DMSEG/15_DO", "15_Do bytes"},
                                                  {"IMAGES/100", blank_picture()}};

  int run(const ModuleDescriptor& module) {
    files.also_log = &log;
    HeadlessWindow window(clock, &close_requests);
    ModuleEnvironment environment{
        .exchange_file = kExchange,
        .files = files,
        .random = random,
        .window = window,
        .open_resources =
            [this] {
              log.emplace_back("open resources");
              return std::make_unique<testing::MemoryResources>(resources, &log);
            },
        .make_audio =
            [this] {
              auto audio = std::make_unique<testing::RecordingAudio>(log);
              audio->fail_start = fail_audio_start;
              audio->fail_play = fail_audio_play;
              audio->on_play = [this] { plays.push_back(clock.now()); };
              return audio;
            },
        .report_error = [this](std::string_view line) { errors.emplace_back(line); }};
    return run_module(module, environment);
  }
};

ModuleDescriptor sounding_module(std::vector<std::string>& log, std::string sound) {
  return {"Treble7.exe", &note_reading::window_layout, fixed_generator(log, std::move(sound)),
          Countdown{5, 2, 1200}, Sound::Kind::midi};
}

TEST(RequestCycle, AudioStartsFirstThenReadDrawWriteInThisOrder) {
  Harness h;
  h.files.files[kExchange] = kHostRecord;
  ModuleDescriptor module = sounding_module(h.log, "non");
  ASSERT_EQ(h.run(module), 0);
  EXPECT_EQ(h.log,
            (std::vector<std::string>{"open resources", "audio start", "read " + kExchange,
                                      "generate", "read IMAGES 100", "replace " + kExchange}));
  EXPECT_EQ(h.files.files[kExchange],
            "\"Q\",\"\",\"\",\"\",\"\",\"1\",\"100\",\"non\",\"Treble7.exe\"\r\n");
}

TEST(RequestCycle, FailuresLeaveTheHostRecordAndReportOneLineNamingStepAndCause) {
  struct Case {
    std::string name;
    std::optional<std::string> host_file;
    bool fail_audio;
    bool fail_generator;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"no file", std::nullopt, false, false,
       "Treble7.exe: cannot read question.qzd: no such file"},
      {"8 fields", "1,2,3,4,5,6,7,8\r\n", false, false,
       "Treble7.exe: cannot read question.qzd: 8 fields, 9 needed"},
      {"audio", kHostRecord, true, false, "Treble7.exe: cannot start audio: no sound server"},
      {"generator", kHostRecord, false, true, "Treble7.exe: cannot draw a question: broken bank"},
  };
  for (const Case& c : cases) {
    Harness h;
    if (c.host_file) {
      h.files.files[kExchange] = *c.host_file;
    }
    h.fail_audio_start = c.fail_audio;
    ModuleDescriptor module = sounding_module(h.log, "non");
    module.generator = fixed_generator(h.log, "non", c.fail_generator);
    EXPECT_EQ(h.run(module), 1) << c.name;
    EXPECT_EQ(h.errors, std::vector<std::string>{c.error}) << c.name;
    if (c.host_file) {
      EXPECT_EQ(h.files.files[kExchange], *c.host_file) << c.name;
    } else {
      EXPECT_EQ(h.files.files.count(kExchange), 0U) << c.name;
    }
    const bool drew = std::find(h.log.begin(), h.log.end(), "generate") != h.log.end();
    EXPECT_EQ(drew, c.fail_generator) << c.name;
    if (c.fail_audio) {
      EXPECT_TRUE(h.files.log.empty()) << "the exchange file was touched after audio failed";
    }
  }
}

TEST(RequestCycle, AQuestionWhosePictureOrSoundCannotBeReadIsNeverWritten) {
  struct Case {
    std::string sound;
    std::string picture_bytes;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"15_Do", "",
       "Treble7.exe: cannot load picture \"100\": no IMAGES resource \"100\" in "
       "Treble7.exe"},
      {"15_Do", "GIF89a", "Treble7.exe: cannot load picture \"100\": not a JPEG file"},
      {"16_Re", blank_picture(),
       "Treble7.exe: cannot load sound \"16_Re\": no DMSEG resource \"16_Re\" in Treble7.exe"},
  };
  for (const Case& c : cases) {
    Harness h;
    h.files.files[kExchange] = kHostRecord;
    if (c.picture_bytes.empty()) {
      h.resources.erase("IMAGES/100");
    } else {
      h.resources["IMAGES/100"] = c.picture_bytes;
    }
    const milliseconds start = h.clock.now();
    EXPECT_EQ(h.run(sounding_module(h.log, c.sound)), 1) << c.error;
    EXPECT_EQ(h.errors, std::vector<std::string>{c.error});
    EXPECT_EQ(h.files.files[kExchange], kHostRecord) << c.error;
    EXPECT_EQ(h.clock.now(), start) << "ended in the load handler";
  }
}

TEST(Countdown, NoteModuleCountsDownPressesOnceAtTwoAndUnloadsAtZero) {
  Harness h;
  h.files.files[kExchange] = kHostRecord;
  ModuleDescriptor module = sounding_module(h.log, "15_Do");
  const milliseconds start = h.clock.now();
  ASSERT_EQ(h.run(module), 0);
  EXPECT_EQ(h.clock.now() - start, milliseconds(5000));
  EXPECT_EQ(h.log, (std::vector<std::string>{"open resources", "audio start", "read " + kExchange,
                                             "generate", "read IMAGES 100", "read DMSEG 15_Do",
                                             "load 15_Do bytes", "replace " + kExchange, "play",
                                             "volume 1200"}));
}

TEST(Countdown, ASoundThatFailsAtThePressEndsTheRunWithItsRecordAndStatus2) {
  Harness h;
  h.files.files[kExchange] = kHostRecord;
  h.fail_audio_play = true;
  const milliseconds start = h.clock.now();
  EXPECT_EQ(h.run(sounding_module(h.log, "15_Do")), kStatusSoundFailed);
  EXPECT_EQ(h.files.files[kExchange],
            "\"Q\",\"\",\"\",\"\",\"\",\"1\",\"100\",\"15_Do\",\"Treble7.exe\"\r\n");
  EXPECT_EQ(h.errors, std::vector<std::string>{"Treble7.exe: cannot play \"15_Do\": the device "
                                               "went away\\nand said so on two lines"});
  EXPECT_EQ(h.clock.now() - start, milliseconds(3000)) << "ended at the press";
}

TEST(Countdown, AHostThatStopsTheModuleGetsItsOwnRecordBeforeTheNewOneAndStatus0After) {
  struct Case {
    milliseconds comes_after;
    int status;
  };
  for (const Case& c : {Case{milliseconds(0), kStatusFailed}, Case{milliseconds(1500), 0}}) {
    Harness h;
    h.files.files[kExchange] = kHostRecord;
    const milliseconds start = h.clock.now();
    h.close_requests.comes_at = start + c.comes_after;
    EXPECT_EQ(h.run(sounding_module(h.log, "15_Do")), c.status);
    if (c.status == kStatusFailed) {
      EXPECT_EQ(h.files.files[kExchange], kHostRecord);
      EXPECT_EQ(h.errors, std::vector<std::string>{"Treble7.exe: cannot write question.qzd: "
                                                   "stopped by SIGTERM before the record was "
                                                   "written"});
      EXPECT_EQ(std::count(h.log.begin(), h.log.end(), "generate"), 0) << "stopped at once";
    } else {
      EXPECT_NE(h.files.files[kExchange], kHostRecord);
      EXPECT_TRUE(h.errors.empty());
      EXPECT_EQ(std::count(h.log.begin(), h.log.end(), "play"), 0) << "unloaded before the press";
      EXPECT_EQ(h.clock.now() - start, c.comes_after) << "unloaded when it came";
    }
  }
}

// A note window whose countdown starts at 5, as the note modules' does.
Form_jeu counting_form(const WindowLayout& layout, int start) {
  Form_jeu form(layout);
  form.Label_timer.Caption = std::to_string(start);
  return form;
}

TEST(Countdown, StepValuesPressAndUnloadWithScriptedTicks) {
  Form_jeu form = counting_form(note_reading::window_layout, 5);
  int presses = 0;
  std::vector<std::string> seen;
  form.Command_sons_musiques.Click = [&] {
    ++presses;
    seen.push_back("press at " + form.Label_timer.Caption);
  };
  form.Timer1.Timer_tick = [&] {
    countdown_step(form, 2);
    seen.push_back(form.Label_timer.Caption);
  };
  testing::ScriptedClock clock;
  run_headless(form, clock);
  EXPECT_EQ(seen, (std::vector<std::string>{"4", "3", "press at 2", "2", "1", "0"}));
  EXPECT_EQ(presses, 1);
  EXPECT_TRUE(form.unloaded());
  EXPECT_FALSE(form.Timer1.Enabled);
}

TEST(Countdown, TicksDueDuringALongHandlerAreHandledOnceAfterIt) {
  Form_jeu form = counting_form(note_reading::window_layout, 5);
  testing::ScriptedClock clock;
  HeadlessWindow window(clock);
  const milliseconds created = clock.now();
  window.create(form);
  clock.advance(milliseconds(2500));  // the load handler took 2.5 s
  std::vector<milliseconds> tick_times;
  form.Timer1.Timer_tick = [&] {
    tick_times.push_back(clock.now() - created);
    countdown_step(form, 2);
  };
  window.run_events(form);
  EXPECT_EQ(tick_times,
            (std::vector<milliseconds>{milliseconds(2500), milliseconds(3000), milliseconds(4000),
                                       milliseconds(5000), milliseconds(6000)}));
}

TEST(Countdown, ModulesWithSoundPlayItThreeSecondsInAndEndWithTheirCountdown) {
  // Their own rows' countdowns, observed at the press itself: the note
  // modules live 5 s, instruments 10 s.
  for (const auto& [name, lives] :
       {std::pair{"treble7", milliseconds(5000)}, std::pair{"bass2", milliseconds(5000)},
        std::pair{"instruments", milliseconds(10000)}}) {
    Harness h;
    h.files.files[kExchange] = kHostRecord;
    ModuleDescriptor module = modules::descriptor(name);
    module.generator = fixed_generator(h.log, "15_Do");
    const milliseconds start = h.clock.now();
    ASSERT_EQ(h.run(module), 0) << name;
    EXPECT_EQ(h.plays, std::vector<milliseconds>{start + milliseconds(3000)}) << name;
    EXPECT_EQ(h.clock.now() - start, lives) << name;
  }
}

TEST(SoundButton, NonPlaysNothingOtherCaptionsAreLookedUpAndMissingOnesEndTheRunUnwritten) {
  struct Case {
    std::string caption;
    int status;
    bool loads;
  };
  for (const Case& c : {Case{"non", 0, false}, Case{"15_do", 0, true}, Case{"NON", 1, true},
                        Case{"Non", 1, true}, Case{"", 1, true}}) {
    Harness h;
    h.files.files[kExchange] = kHostRecord;
    ModuleDescriptor module = sounding_module(h.log, c.caption);
    const milliseconds start = h.clock.now();
    EXPECT_EQ(h.run(module), c.status) << c.caption;
    const bool loaded = std::any_of(h.log.begin(), h.log.end(), [](const std::string& line) {
      return line.rfind("read DMSEG", 0) == 0;
    });
    EXPECT_EQ(loaded, c.loads) << c.caption;
    // A sound that cannot be loaded ends the run before its record is written.
    if (c.status == 1) {
      EXPECT_EQ(h.files.files[kExchange], kHostRecord) << c.caption;
      EXPECT_EQ(h.clock.now(), start) << c.caption;
      EXPECT_EQ(h.errors, std::vector<std::string>{"Treble7.exe: cannot load sound \"" + c.caption +
                                                   "\": no DMSEG resource \"" + c.caption +
                                                   "\" in Treble7.exe"});
    } else {
      EXPECT_NE(h.files.files[kExchange], kHostRecord) << c.caption;
      EXPECT_EQ(h.clock.now() - start, milliseconds(5000)) << c.caption;
    }
  }
}

TEST(SoundButton, ASecondPressLoadsAndPlaysAgain) {
  Harness h;
  h.files.files[kExchange] = kHostRecord;
  ModuleDescriptor module = sounding_module(h.log, "15_Do");
  Generator inner = module.generator;
  module.generator.run = [inner](Form_jeu& form, UniformSource& random) {
    inner.run(form, random);
    form.Timer1.Timer_tick = [&form] {
      countdown_step(form, 2);
      if (form.Label_timer.Caption == "1") {
        form.Command_sons_musiques.set_Value(true);
      }
    };
  };
  ASSERT_EQ(h.run(module), 0);
  EXPECT_EQ(std::count(h.log.begin(), h.log.end(), "play"), 2);
}

TEST(Window, ModulesWithoutTimerEndInsideTheLoadHandlerWithoutTicks) {
  for (const WindowLayout* window :
       {&banks::oeuvres::window_layout, &banks::portraits::window_layout,
        &banks::theorie::window_layout}) {
    Harness h;
    h.files.files[kExchange] = kHostRecord;
    ModuleDescriptor module{"oeuvres.exe", window, fixed_generator(h.log, "non"), std::nullopt,
                            std::nullopt};
    const milliseconds start = h.clock.now();
    ASSERT_EQ(h.run(module), 0);
    EXPECT_EQ(h.clock.now(), start);
    EXPECT_EQ(h.log, (std::vector<std::string>{"read " + kExchange, "generate", "open resources",
                                               "read IMAGES 100",
                                               "replace " + kExchange}));  // no audio at all
  }
}

TEST(Window, ATimerWithoutACountdownIsRefusedRatherThanRunningForever) {
  Harness h;
  h.files.files[kExchange] = kHostRecord;
  const ModuleDescriptor module{"Broken.exe", &note_reading::window_layout,
                                fixed_generator(h.log, "non"), std::nullopt, std::nullopt};
  EXPECT_EQ(h.run(module), 1);
  EXPECT_EQ(h.errors, std::vector<std::string>{"Broken.exe: a window has a timer exactly when "
                                               "its module has a countdown"});
  EXPECT_EQ(h.files.files[kExchange], kHostRecord);
}

TEST(Window, KindsHaveTheirControlsAndInitialCaptions) {
  const Form_jeu notes(note_reading::window_layout);
  EXPECT_EQ(notes.Caption, "Form1");
  EXPECT_TRUE(notes.Label_timer.exists);  // its caption is the module's countdown start
  EXPECT_EQ(notes.Label_sol.Caption, "sol");
  EXPECT_EQ(notes.Command_sons_musiques.Caption, "sons_musiques");
  EXPECT_EQ(notes.Command4.position.top, 6360);
  EXPECT_TRUE(notes.Timer1.exists);

  const Form_jeu instruments(banks::instruments::window_layout);
  EXPECT_TRUE(instruments.Label_timer.exists);
  EXPECT_EQ(instruments.Command_sons_musiques.Caption, "Command1");
  EXPECT_FALSE(instruments.Command1.exists);
  EXPECT_FALSE(instruments.Label_do.exists);
  EXPECT_EQ(instruments.Label_musiques_sons.position.top, 4470);

  const Form_jeu theorie(banks::theorie::window_layout);
  EXPECT_EQ(theorie.Label_timer.Caption, "10");
  EXPECT_FALSE(theorie.Timer1.exists);
  EXPECT_FALSE(theorie.Command_sons_musiques.exists);

  const Form_jeu portraits(banks::portraits::window_layout);
  EXPECT_FALSE(portraits.Label_timer.exists);
  EXPECT_EQ(portraits.Label_musiques_sons.position.top, 4980);
  EXPECT_EQ(portraits.client.left, 2370);
}

}  // namespace
}  // namespace qz
