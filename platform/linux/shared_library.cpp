#include "platform/shared_library.hpp"

#include <dlfcn.h>

#include <array>
#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "platform/linux/descriptor.hpp"
#include "platform/linux/kept_messages.hpp"

namespace qz::platform {
namespace {

// What a damaged library can raise while it is mapped, relocated and its
// constructors run: a page past the end of a cut file (SIGBUS), a wild
// pointer (SIGSEGV), a division by zero (SIGFPE), garbage taken for code
// (SIGILL), a failed assertion (SIGABRT).
constexpr std::array<int, 5> kFaults = {SIGBUS, SIGSEGV, SIGFPE, SIGILL, SIGABRT};

// Where a fault while a library is being loaded jumps back to, and the
// address it names; set only around dlopen, on the thread that loads.
// NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
thread_local sigjmp_buf* loading = nullptr;
thread_local std::uintptr_t fault_address = 0;
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

void on_fault(int signal_number, siginfo_t* info, void* /*context*/) {
  if (loading != nullptr) {
    // The faulting instruction (SIGFPE, SIGILL) or memory (SIGBUS, SIGSEGV);
    // nothing for SIGABRT.
    fault_address =
        signal_number != SIGABRT
            ? reinterpret_cast<std::uintptr_t>(info->si_addr)  // NOLINT: an address, as a number
            : 0;
    // Out of the dynamic loader, back to the load that failed.
    // NOLINTNEXTLINE(cert-err52-cpp,cppcoreguidelines-pro-bounds-array-to-pointer-decay)
    siglongjmp(*loading, signal_number);
  }
  // Not a fault of loading: what the signal would have done without us.
  (void)std::signal(signal_number, SIG_DFL);
  (void)std::raise(signal_number);
}

// Catches the faults of loading for as long as it lives.
class FaultCatcher {
 public:
  FaultCatcher() {
    struct sigaction catcher {};
    catcher.sa_sigaction = on_fault;
    catcher.sa_flags = SA_SIGINFO;
    sigemptyset(&catcher.sa_mask);
    for (std::size_t i = 0; i < kFaults.size(); ++i) {
      ::sigaction(kFaults.at(i), &catcher, &before_.at(i));
    }
  }
  ~FaultCatcher() {
    for (std::size_t i = 0; i < kFaults.size(); ++i) {
      ::sigaction(kFaults.at(i), &before_.at(i), nullptr);
    }
  }
  FaultCatcher(const FaultCatcher&) = delete;
  FaultCatcher& operator=(const FaultCatcher&) = delete;
  FaultCatcher(FaultCatcher&&) = delete;
  FaultCatcher& operator=(FaultCatcher&&) = delete;

 private:
  std::array<struct sigaction, kFaults.size()> before_{};
};

std::string signal_name(int signal_number) {
  switch (signal_number) {
    case SIGBUS:
      return "SIGBUS";
    case SIGSEGV:
      return "SIGSEGV";
    case SIGFPE:
      return "SIGFPE";
    case SIGILL:
      return "SIGILL";
    default:
      return "SIGABRT";
  }
}

// The file mapped at `address` in this process, from /proc/self/maps.
std::optional<std::string> file_mapped_at(std::uintptr_t address) {
  if (address == 0) {
    return std::nullopt;
  }
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    std::istringstream fields(line);
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    char dash = 0;
    std::string permissions;
    std::string offset;
    std::string device;
    std::string inode;
    std::string path;
    fields >> std::hex >> start >> dash >> end >> permissions >> offset >> device >> inode >>
        std::ws;
    std::getline(fields, path);
    if (address >= start && address < end) {
      return path.empty() || path.front() != '/' ? std::nullopt : std::optional(path);
    }
  }
  return std::nullopt;
}

// The loader's reason for a library it needs, put right where it is wrong:
// a library found in the loader's cache but unreadable is sought on in the
// default folders, and then reported as missing. It is named as there and
// unreadable instead, with the reason it cannot be read.
std::string loader_reason(const std::string& reason, const std::string& library) {
  const std::string missing = ": cannot open shared object file: No such file or directory";
  if (reason.size() <= missing.size() ||
      reason.compare(reason.size() - missing.size(), missing.size(), missing) != 0) {
    return reason;
  }
  const std::string name = reason.substr(0, reason.size() - missing.size());
  if (name.find('/') != std::string::npos) {
    return reason;
  }
  // FluidSynth's own folder (the architecture's: /usr/lib/x86_64-linux-gnu),
  // its /lib twin, and the folders of no architecture.
  const std::string folder = library.substr(0, library.rfind('/'));
  const std::string architecture = folder.substr(folder.rfind('/') + 1);
  for (const std::string& candidate :
       {folder, "/lib/" + architecture, std::string("/usr/lib"), std::string("/lib")}) {
    std::string path = candidate;
    path += '/';
    path += name;
    try {
      const FileDescriptor fd(open_regular_file(path));
      return reason;  // there and readable: the loader's reason stands
    } catch (const std::runtime_error& error) {
      if (std::string_view(error.what()) != "no such file") {
        std::string unreadable = name;
        unreadable += ": cannot read " + path;
        unreadable += ": ";
        unreadable += error.what();
        return unreadable;
      }
    }
  }
  return reason;
}

}  // namespace

SharedLibrary::SharedLibrary(std::string file) : file_(std::move(file)) {
  // A library cut short after its headers is mapped all the same, and the
  // loader's first touch of a missing page raises SIGBUS; a damaged one may
  // raise any fault in its constructors. Caught while loading, the fault
  // fails the load with a reason instead of ending the process. What the
  // loader and the libraries print meanwhile is kept for the reason too.
  std::optional<KeptMessages> messages;
  try {
    messages.emplace();
  } catch (const std::runtime_error& error) {
    throw std::runtime_error("cannot load " + file_ + ": " + error.what());
  }
  int fault = 0;
  {
    const FaultCatcher catcher;
    sigjmp_buf jump;
    // NOLINTNEXTLINE(cert-err52-cpp,cppcoreguidelines-pro-bounds-array-to-pointer-decay)
    fault = sigsetjmp(jump, 1);
    if (fault == 0) {
      loading = &jump;
      handle_ = ::dlopen(file_.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    loading = nullptr;
  }
  const std::string printed = messages->all_lines();
  const std::string also_printed = printed.empty() ? "" : " (" + printed + ")";
  if (fault != 0) {
    const std::optional<std::string> culprit = file_mapped_at(fault_address);
    const std::string what = culprit && *culprit != file_ ? *culprit + ", a library it loads,"
                             : culprit                    ? std::string("it")
                                                          : "it or a library it loads";
    throw std::runtime_error("cannot load " + file_ + ": " + what + " is cut short or damaged (" +
                             signal_name(fault) + " while loading it)" + also_printed);
  }
  if (handle_ == nullptr) {
    throw std::runtime_error("cannot load " + file_ + ": " + loader_reason(::dlerror(), file_) +
                             also_printed);
  }
}

void* SharedLibrary::symbol(const char* name) const {
  void* address = ::dlsym(handle_, name);
  if (address == nullptr) {
    throw std::runtime_error(file_ + " has no " + name);
  }
  return address;
}

}  // namespace qz::platform
