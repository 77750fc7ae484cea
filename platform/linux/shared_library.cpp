#include "platform/shared_library.hpp"

#include <dlfcn.h>

#include <csetjmp>
#include <csignal>
#include <stdexcept>

namespace qz::platform {
namespace {

// Where a fault while a library is being mapped jumps back to; set only
// around dlopen, on the thread that loads.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
thread_local sigjmp_buf* loading = nullptr;

void on_fault(int signal_number) {
  if (loading != nullptr) {
    // Out of the dynamic loader, back to the load that failed.
    // NOLINTNEXTLINE(cert-err52-cpp,cppcoreguidelines-pro-bounds-array-to-pointer-decay)
    siglongjmp(*loading, signal_number);
  }
  // Not a fault of loading: what the signal would have done without us.
  (void)std::signal(signal_number, SIG_DFL);
  (void)std::raise(signal_number);
}

// Catches SIGBUS and SIGSEGV for as long as it lives.
class FaultCatcher {
 public:
  FaultCatcher() {
    struct sigaction catcher {};
    catcher.sa_handler = on_fault;
    sigemptyset(&catcher.sa_mask);
    ::sigaction(SIGBUS, &catcher, &bus_);
    ::sigaction(SIGSEGV, &catcher, &segv_);
  }
  ~FaultCatcher() {
    ::sigaction(SIGBUS, &bus_, nullptr);
    ::sigaction(SIGSEGV, &segv_, nullptr);
  }
  FaultCatcher(const FaultCatcher&) = delete;
  FaultCatcher& operator=(const FaultCatcher&) = delete;
  FaultCatcher(FaultCatcher&&) = delete;
  FaultCatcher& operator=(FaultCatcher&&) = delete;

 private:
  struct sigaction bus_ {};
  struct sigaction segv_ {};
};

}  // namespace

SharedLibrary::SharedLibrary(std::string file) : file_(std::move(file)) {
  // A library cut short after its headers is mapped all the same, and the
  // loader's first touch of a missing page raises SIGBUS: caught while
  // loading, it fails the load with a reason instead of ending the process.
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
  if (fault != 0) {
    throw std::runtime_error("cannot load " + file_ +
                             ": it or a library it loads is cut short or damaged (" +
                             (fault == SIGBUS ? "SIGBUS" : "SIGSEGV") + " while mapping it)");
  }
  if (handle_ == nullptr) {
    throw std::runtime_error("cannot load " + file_ + ": " + ::dlerror());
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
