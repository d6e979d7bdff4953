#include "framework/WholeFileWrite.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Links followed in a row before the path counts as a loop (the kernel's own limit).
constexpr int kMaxLinks = 40;
// Tries at a fresh temporary name before giving up.
constexpr int kMaxTempNames = 100;

// The folder part of path with its trailing slash, or "" for a name in the working folder.
std::string FolderOf(const std::string& path)
{
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file that a save to path writes: path itself, or where its links lead. exists tells
// whether that file is there already; when it is, info describes it.
bool FollowLinks(std::string path, std::string& target, struct stat& info, bool& exists)
{
  for (int links = 0; links <= kMaxLinks; ++links)
  {
    if (lstat(path.c_str(), &info) != 0)
    {
      // A missing file is made; any other failure (such as a file used as a folder) is final.
      target = path;
      exists = false;
      return errno == ENOENT;
    }
    if (!S_ISLNK(info.st_mode))
    {
      target = path;
      exists = true;
      return true;
    }
    char next[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), next, sizeof(next));
    if (n <= 0 || static_cast<size_t>(n) >= sizeof(next)) return false;
    // A relative link names its target from the folder the link is in.
    const std::string link(next, static_cast<size_t>(n));
    path = link[0] == '/' ? link : FolderOf(path) + link;
  }
  return false;
}

// Write access alone would let root replace anything, so a file without any write bit counts
// as read-only for every caller.
bool MayReplace(const std::string& path, const struct stat& info)
{
  return S_ISREG(info.st_mode) && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
         faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool WriteAll(int fd, const void* data, size_t size)
{
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0)
  {
    const ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string TempName(const std::string& target)
{
  static std::atomic<unsigned> sCounter{0};
  static const auto sStamp = std::chrono::steady_clock::now().time_since_epoch().count();
  return target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(sStamp & 0xFFFFFF) +
         "-" + std::to_string(sCounter++);
}

// Makes the rename itself durable. The file is already replaced by then, so a failure here
// cannot be reported as a failed save.
void SyncFolderOf(const std::string& path)
{
  const std::string folder = FolderOf(path);
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}
} // namespace

bool WriteWholeFile(const std::string& path, const void* data, size_t size)
{
  if (path.empty() || (!data && size > 0)) return false;
  std::string target;
  struct stat old = {};
  bool exists = false;
  if (!FollowLinks(path, target, old, exists) || (exists && !MayReplace(target, old))) return false;

  for (int attempt = 0; attempt < kMaxTempNames; ++attempt)
  {
    const std::string tmp = TempName(target);
    // A replacement is private until it has the old file's mode; a new file takes the umask.
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        exists ? S_IRUSR | S_IWUSR : 0666);
    if (fd < 0)
    {
      if (errno == EEXIST) continue;
      return false;
    }
    bool ok = !exists || fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, data, size) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok)
    {
      unlink(tmp.c_str());
      return false;
    }
    SyncFolderOf(target);
    return true;
  }
  return false;
}
