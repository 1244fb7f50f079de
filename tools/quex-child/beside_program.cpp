#include "beside_program.h"

#include "platform/dynamic_library.h"

namespace quex::child {

std::string besideThisProgram(const char* file) {
  const std::string self = platform::fileContaining(reinterpret_cast<const void*>(&besideThisProgram));
  const size_t slash = self.rfind('/');
  return (slash == std::string::npos ? std::string() : self.substr(0, slash + 1)) + file;
}

} // namespace quex::child
