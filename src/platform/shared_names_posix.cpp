#include "shared_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <semaphore.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quex::platform {
namespace {

// Where the system keeps both kinds; a semaphore's file carries a prefix.
constexpr char kFolder[] = "/dev/shm/";
constexpr char kSemaphorePrefix[] = "sem.";

std::string fileOf(const SharedName& name) {
  return kFolder + (name.semaphore ? kSemaphorePrefix + name.name : name.name);
}

} // namespace

std::vector<SharedName> ownSharedNames() {
  std::vector<SharedName> names;
  DIR* folder = opendir(kFolder);
  if (folder == nullptr) return names;
  const int fd = dirfd(folder);
  const uid_t self = geteuid();
  const size_t prefixLength = std::strlen(kSemaphorePrefix);
  while (const dirent* entry = readdir(folder)) {
    struct stat status {};
    if (fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(status.st_mode) || status.st_uid != self) continue;
    const std::string file = entry->d_name;
    if (file.compare(0, prefixLength, kSemaphorePrefix) == 0)
      names.push_back(SharedName{file.substr(prefixLength), true});
    else
      names.push_back(SharedName{file, false});
  }
  closedir(folder);
  return names;
}

bool sharedNameExists(const SharedName& name) noexcept {
  struct stat status {};
  return lstat(fileOf(name).c_str(), &status) == 0 || errno != ENOENT;
}

void removeSharedName(const SharedName& name) noexcept {
  const std::string path = "/" + name.name;
  if (name.semaphore) sem_unlink(path.c_str());
  else shm_unlink(path.c_str());
}

bool processExists(long pid) noexcept {
  if (pid <= 0) return false;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace quex::platform
