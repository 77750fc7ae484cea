#include "shell/module.hpp"

#include "shell/countdown.hpp"
#include "shell/host_record_reader.hpp"
#include "shell/paths.hpp"
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

// Click handler of Command_sons_musiques.
void play_question_sound(const Form_jeu& form, AudioLayer& audio,
                         const std::string& module_file_path, int final_performance_value) {
  if (form.Label_musiques_sons.Caption == "non") {
    return;
  }
  const std::string name = form.Label_musiques_sons.Caption;
  in_step("cannot play \"" + name + "\"", [&] {
    audio.load_segment(module_file_path, name);
    audio.play_segment();
    audio.set_master_volume(final_performance_value);
  });
}

class ModuleRun {
 public:
  ModuleRun(const ModuleDescriptor& module, ModuleEnvironment& environment)
      : module_(module),
        environment_(environment),
        exchange_path_(
            join_path(environment.module_folder, environment.path_separator, kExchangeFileName)),
        module_file_path_(
            join_path(environment.module_folder, environment.path_separator, module.literal)),
        form_(*module.window) {
    if (module_.generator.attach) {
      module_.generator.attach(form_, environment_.random);
    }
    if (form_.Timer1.exists && !module_.sound) {
      // Nothing would ever unload the window.
      throw std::logic_error("a window with a timer needs its countdown's press value");
    }
    if (module_.sound) {
      form_.Command_sons_musiques.Click = [this] {
        play_question_sound(form_, *audio_, module_file_path_,
                            module_.sound->final_performance_value);
      };
      form_.Timer1.Timer_tick = [this] { countdown_step(form_, module_.sound->press_value); };
    }
    environment_.window.create(form_);
  }

  void load() {
    const std::string file_name(kExchangeFileName);
    if (module_.sound) {
      in_step("cannot start audio", [&] {
        audio_ = environment_.make_audio();
        audio_->start(module_file_path_);
      });
    }
    in_step("cannot read " + file_name, [&] {
      const auto source = environment_.files.open_for_reading(exchange_path_);
      consume_host_record(*source);
    });
    in_step("cannot draw a question", [&] { module_.generator.run(form_, environment_.random); });
    in_step("cannot write " + file_name, [&] {
      const std::string bytes = encode_record(record_from(form_, module_.literal));
      try {
        environment_.files.replace_contents(exchange_path_, bytes);
      } catch (const FolderNotWritable& error) {
        throw StepFailure("cannot write in the folder of " + file_name + ": " + error.what());
      }
    });
    if (!form_.Timer1.exists) {
      form_.Unload();
    }
  }

  void run_until_unloaded() { environment_.window.run_events(form_); }

 private:
  const ModuleDescriptor& module_;
  ModuleEnvironment& environment_;
  std::string exchange_path_;
  std::string module_file_path_;
  Form_jeu form_;
  std::unique_ptr<AudioLayer> audio_;
};

}  // namespace

int run_module(const ModuleDescriptor& module, ModuleEnvironment& environment) {
  try {
    ModuleRun run(module, environment);
    run.load();
    run.run_until_unloaded();
    return 0;
  } catch (const std::exception& error) {
    environment.report_error(std::string(module.literal) + ": " + error.what());
    return 1;
  }
}

}  // namespace qz
