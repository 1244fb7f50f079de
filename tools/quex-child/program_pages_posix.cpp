#include "program_pages.h"

#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace quex::child {
namespace {

// The loader lists the program first; the libraries it opened follow and
// are left alone.
int prefaultFirstObject(dl_phdr_info* info, size_t, void*) {
  const long pageSize = sysconf(_SC_PAGESIZE);
  const uintptr_t page = pageSize > 0 ? static_cast<uintptr_t>(pageSize) : 4096;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W) != 0 || segment.p_memsz == 0)
      continue;
    const uintptr_t start = (info->dlpi_addr + segment.p_vaddr) & ~(page - 1);
    const uintptr_t end = info->dlpi_addr + segment.p_vaddr + segment.p_memsz;
#ifdef MADV_POPULATE_READ
    madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_READ);
#endif
  }
  return 1;
}

} // namespace

void prefaultProgramPages() noexcept { dl_iterate_phdr(prefaultFirstObject, nullptr); }

} // namespace quex::child
