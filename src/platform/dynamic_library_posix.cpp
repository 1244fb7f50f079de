#include "dynamic_library.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cerrno>
#include <cstring>
#include <fstream>
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

DynamicLibrary DynamicLibrary::open(const std::string& path, Failure& failure) {
  errno = 0;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    dlerror(); // the second attempt reports its own failure
    errno = 0;
    handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
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

namespace {

// Reads `count` items of T at `offset`; false when the file is shorter or the
// size is beyond what a module's symbol table could need.
template <typename T>
bool readAt(std::ifstream& file, uint64_t offset, uint64_t count, std::vector<T>& items) {
  constexpr uint64_t kLimit = 64u << 20;
  if (count == 0 || count > kLimit / sizeof(T)) return false;
  items.resize(count);
  file.seekg(static_cast<std::streamoff>(offset));
  file.read(reinterpret_cast<char*>(items.data()), static_cast<std::streamsize>(count * sizeof(T)));
  return static_cast<bool>(file);
}

} // namespace

std::vector<std::string> DynamicLibrary::exportedFunctionNames() const {
  std::vector<std::string> names;
  link_map* map = nullptr;
  if (handle_ == nullptr || dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
      map->l_name == nullptr)
    return names;
  std::ifstream file(map->l_name, std::ios::binary);
  std::vector<Elf64_Ehdr> header;
  if (!readAt(file, 0, 1, header) || std::memcmp(header[0].e_ident, ELFMAG, SELFMAG) != 0 ||
      header[0].e_ident[EI_CLASS] != ELFCLASS64 || header[0].e_shentsize != sizeof(Elf64_Shdr))
    return names;
  std::vector<Elf64_Shdr> sections;
  if (!readAt(file, header[0].e_shoff, header[0].e_shnum, sections)) return names;
  for (const Elf64_Shdr& section : sections) {
    if (section.sh_type != SHT_DYNSYM || section.sh_link >= sections.size()) continue;
    const Elf64_Shdr& strings = sections[section.sh_link];
    std::vector<Elf64_Sym> symbols;
    std::vector<char> text;
    if (!readAt(file, section.sh_offset, section.sh_size / sizeof(Elf64_Sym), symbols) ||
        !readAt(file, strings.sh_offset, strings.sh_size, text))
      return names;
    text.push_back('\0');
    for (const Elf64_Sym& symbol : symbols) {
      const unsigned bind = ELF64_ST_BIND(symbol.st_info);
      if (symbol.st_shndx == SHN_UNDEF || ELF64_ST_TYPE(symbol.st_info) != STT_FUNC ||
          (bind != STB_GLOBAL && bind != STB_WEAK) || symbol.st_name >= text.size())
        continue;
      names.emplace_back(&text[symbol.st_name]);
    }
  }
  return names;
}

// A library a dependency named was found under that name, so the last part
// of its path is the name. Only the loaded objects are looked at: asking the
// loader (RTLD_NOLOAD) walks every directory of the search path for a
// library that is not there, which is most of a warm child's start.
bool isLoaded(const char* file) {
  struct Search {
    const char* file;
    bool found;
  } search{file, false};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* wanted = static_cast<Search*>(data);
        const char* path = info->dlpi_name;
        if (path == nullptr || *path == '\0') return 0; // the program itself
        const char* slash = std::strrchr(path, '/');
        wanted->found = std::strcmp(slash != nullptr ? slash + 1 : path, wanted->file) == 0;
        return wanted->found ? 1 : 0;
      },
      &search);
  return search.found;
}

std::string fileContaining(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  return info.dli_fname;
}

} // namespace quex::platform
