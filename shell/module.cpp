#include "shell/module.hpp"

#include "resource_format/asset_checks.hpp"
#include "resource_format/escaped.hpp"
#include "shell/countdown.hpp"
#include "shell/host_record_reader.hpp"
#include "shell/record.hpp"

namespace qz {
namespace {

// Runs `action`, naming the step in whatever it throws.
template <typename Action>
void in_step(const std::string& step, Action&& action) {
  try {
    std::forward<Action>(action)();
  } catch (const StepFailure&) {
    throw;
  } catch (const std::exception& error) {
    throw StepFailure(step + ": " + error.what());
  }
}

class ModuleRun {
 public:
  ModuleRun(const ModuleDescriptor& module, ModuleEnvironment& environment)
      : module_(module), environment_(environment), form_(*module.window) {
    if (module_.generator.attach) {
      module_.generator.attach(form_, environment_.random);
    }
    if (form_.Timer1.exists != module_.countdown.has_value()) {
      // Without a countdown nothing would unload a window with a timer; a
      // countdown without Timer1 would never tick.
      throw std::logic_error("a window has a timer exactly when its module has a countdown");
    }
    if (module_.countdown.has_value() != module_.sounds.has_value()) {
      throw std::logic_error("a module has sounds exactly when it has a countdown");
    }
    if (module_.countdown) {
      form_.Label_timer.Caption = std::to_string(module_.countdown->start);
      form_.Command_sons_musiques.Click = [this] { play_question_sound(); };
      form_.Timer1.Timer_tick = [this] { countdown_step(form_, module_.countdown->press_value); };
    }
    environment_.window.create(form_);
  }

  // The load handler: the request cycle.
  void load() {
    if (module_.countdown) {
      open_resources();
      start_audio();
    }
    stop_if_asked();
    drop_host_record();
    draw_question();
    load_question_resources();
    stop_if_asked();
    write_record();
    record_written_ = true;
    if (!module_.countdown) {
      form_.Unload();
    }
  }

  // Whether the question record stands in the exchange file: a failure from
  // then on leaves it there, and only the sound could not be played.
  [[nodiscard]] bool record_written() const { return record_written_; }

  void run_until_unloaded() { environment_.window.run_events(form_); }

 private:
  // First, so that a module that could not play fails before the exchange
  // file is touched: the module file's resources (its own step: a module
  // renamed and alone lacks its file, not its audio), then the sound output.
  void start_audio() {
    in_step("cannot start audio", [&] {
      audio_ = environment_.make_audio();
      audio_->start(*module_.sounds);
    });
  }

  // A host that stops the module before its record is written gets its own
  // record back untouched, and the one line that says why; from the record
  // on, a request to close waits for the event loop, which unloads.
  void stop_if_asked() {
    if (const auto request = environment_.window.close_requested()) {
      throw StepFailure("cannot write " + std::string(kExchangeFileName) + ": stopped by " +
                        *request + " before the record was written");
    }
  }

  const ModuleResources& open_resources() {
    if (!resources_) {
      resources_ = environment_.open_resources();
    }
    return *resources_;
  }

  void drop_host_record() {
    in_step("cannot read " + std::string(kExchangeFileName), [&] {
      const auto source = environment_.files.open_for_reading(environment_.exchange_file);
      consume_host_record(*source);
    });
  }

  void draw_question() {
    in_step("cannot draw a question", [&] { module_.generator.run(form_, environment_.random); });
  }

  // The picture and the sound the record will name, read and checked as the
  // host and the press will read them, so that a question the module could
  // not put is never written. The sound is handed to the sound output now,
  // which readies what it needs to play it; the press only starts it.
  void load_question_resources() {
    const ModuleResources& resources = open_resources();
    const std::string& picture = form_.Label_image.Caption;
    in_step("cannot load picture \"" + picture + "\"", [&] {
      if (const auto problem = jpeg_problem(resources.read("IMAGES", picture))) {
        throw std::runtime_error(*problem);
      }
    });
    const std::string& sound = form_.Label_musiques_sons.Caption;
    if (sound == "non") {
      return;
    }
    in_step("cannot load sound \"" + sound + "\"", [&] { load_sound(sound); });
  }

  void load_sound(const std::string& name) {
    std::string bytes = open_resources().read("DMSEG", name);
    if (!audio_) {
      throw std::logic_error("a module without sound output names a sound");
    }
    audio_->load_segment(std::move(bytes));
    loaded_sound_ = name;
  }

  void write_record() {
    const std::string file_name(kExchangeFileName);
    in_step("cannot write " + file_name, [&] {
      const std::string bytes = encode_record(record_from(form_, module_.literal));
      try {
        environment_.files.replace_contents(environment_.exchange_file, bytes);
      } catch (const FolderNotWritable& error) {
        throw StepFailure("cannot write in the folder of " + file_name + ": " + error.what());
      }
    });
  }

  // Click handler of Command_sons_musiques.
  void play_question_sound() {
    const std::string& name = form_.Label_musiques_sons.Caption;
    if (name == "non") {
      return;
    }
    in_step("cannot play \"" + name + "\"", [&] {
      if (name != loaded_sound_) {
        load_sound(name);
      }
      audio_->play_segment();
      audio_->set_master_volume(module_.countdown->final_performance_value);
    });
  }

  const ModuleDescriptor& module_;
  ModuleEnvironment& environment_;
  Form_jeu form_;
  std::unique_ptr<ModuleResources> resources_;
  std::unique_ptr<AudioLayer> audio_;
  std::string loaded_sound_;  // the name of the sound the output holds
  bool record_written_ = false;
};

}  // namespace

int run_module(const ModuleDescriptor& module, ModuleEnvironment& environment) {
  std::optional<ModuleRun> run;
  try {
    run.emplace(module, environment);
    run->load();
    run->run_until_unloaded();
    return kStatusDone;
  } catch (const std::exception& error) {
    environment.report_error(one_line(std::string(module.literal) + ": " + error.what()));
    return run && run->record_written() ? kStatusSoundFailed : kStatusFailed;
  }
}

}  // namespace qz
