// A shared library opened in this process; closed when the object goes.
#ifndef QUEX_SRC_PLATFORM_DYNAMIC_LIBRARY_H
#define QUEX_SRC_PLATFORM_DYNAMIC_LIBRARY_H

#include <string>
#include <vector>

namespace quex::platform {

class DynamicLibrary {
public:
  // Why an open failed: the system's error number and its text ("<unknown>"
  // when the system has none).
  struct Failure {
    unsigned long number = 0;
    std::string text;
  };

  DynamicLibrary() = default;
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  ~DynamicLibrary();

  // Binds every symbol at once first and lazily second; on failure the result
  // is empty and `failure` says why. The path is the file system's bytes
  // (UTF-8), passed as they are.
  static DynamicLibrary open(const std::string& path, Failure& failure);

  explicit operator bool() const { return handle_ != nullptr; }
  void* symbol(const char* name) const; // null when not exported
  // The names of the functions the library exports, read from its file's
  // dynamic symbol table; empty when that cannot be read. For messages only.
  std::vector<std::string> exportedFunctionNames() const;

private:
  explicit DynamicLibrary(void* handle) : handle_(handle) {}
  void* handle_ = nullptr;
};

// Whether the library `file` (as a dependency names it, e.g. "libm.so.6") is
// already loaded in this process; loads nothing.
bool isLoaded(const char* file);

// The file of the executable or shared library that holds `address` (a
// function or object of it); empty when the system cannot tell.
std::string fileContaining(const void* address);

} // namespace quex::platform

#endif // QUEX_SRC_PLATFORM_DYNAMIC_LIBRARY_H
