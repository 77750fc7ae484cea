#include "platform/shared_library.hpp"

#include <dlfcn.h>

#include <stdexcept>

namespace qz::platform {

SharedLibrary::SharedLibrary(std::string file)
    : file_(std::move(file)), handle_(::dlopen(file_.c_str(), RTLD_NOW | RTLD_LOCAL)) {
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
