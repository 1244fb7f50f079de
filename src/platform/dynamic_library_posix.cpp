#include "dynamic_library.h"

#include <dlfcn.h>

#include <cerrno>
#include <utility>

namespace quex::platform {

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    DynamicLibrary old(std::move(*this));
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

DynamicLibrary::~DynamicLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

DynamicLibrary DynamicLibrary::open(const icu::UnicodeString& path, Failure& failure) {
  std::string utf8;
  path.toUTF8String(utf8);
  errno = 0;
  void* handle = dlopen(utf8.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    dlerror(); // the second attempt reports its own failure
    errno = 0;
    handle = dlopen(utf8.c_str(), RTLD_LAZY | RTLD_LOCAL);
  }
  if (handle == nullptr) {
    failure.number = static_cast<unsigned long>(errno);
    const char* text = dlerror();
    failure.text = text != nullptr ? text : "<unknown>";
  }
  return DynamicLibrary(handle);
}

void* DynamicLibrary::symbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  return dlsym(handle_, name);
}

std::string fileContaining(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  return info.dli_fname;
}

} // namespace quex::platform
