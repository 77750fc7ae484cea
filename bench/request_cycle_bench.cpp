// The request cycle of a note module in process: read the host's record,
// run the generator, write the record (and the scripted countdown).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "modules/module_table.hpp"
#include "platform/linux/files.hpp"
#include "platform/silent_audio.hpp"
#include "tests/support/fakes.hpp"

namespace {

const std::string kHostRecord = "\"a\",\"b\",\"c\",\"d\",\"e\",\"f\",\"g\",\"h\",\"i\"\r\n";

void run_once(qz::FileSystem& files, const std::string& folder, const qz::ModuleDescriptor& module,
              qz::UniformSource& random) {
  qz::testing::ScriptedClock clock;
  qz::HeadlessWindow window(clock);
  qz::ModuleEnvironment environment{
      .exchange_file = folder + "/question.qzd",
      .files = files,
      .random = random,
      .window = window,
      .open_resources = [] { return std::make_unique<qz::testing::MemoryResources>(); },
      .make_audio = [] { return std::make_unique<qz::platform::SilentAudio>(); },
      .report_error = [](std::string_view line) { throw std::runtime_error(std::string(line)); }};
  benchmark::DoNotOptimize(qz::run_module(module, environment));
}

void BM_RequestCycleInMemory(benchmark::State& state) {
  const qz::ModuleDescriptor module = qz::modules::descriptor("treble7");
  qz::testing::MemoryFileSystem files;
  std::uint64_t tick = 0;
  qz::ClockReseededSource random([&tick] { return ++tick; });
  for (auto _ : state) {
    files.files["/m/question.qzd"] = kHostRecord;
    run_once(files, "/m", module, random);
  }
}
BENCHMARK(BM_RequestCycleInMemory);

void BM_RequestCycleOnDisk(benchmark::State& state) {
  const qz::ModuleDescriptor module = qz::modules::descriptor("treble7");
  std::string folder = (std::filesystem::temp_directory_path() / "qz-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  qz::platform::LinuxFileSystem files;
  std::uint64_t tick = 0;
  qz::ClockReseededSource random([&tick] { return ++tick; });
  for (auto _ : state) {
    std::ofstream(folder + "/question.qzd", std::ios::binary) << kHostRecord;
    run_once(files, folder, module, random);
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RequestCycleOnDisk);

}  // namespace
