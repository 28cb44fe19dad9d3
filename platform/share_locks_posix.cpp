#include "platform/share_locks_posix.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdint>
#include <initializer_list>

namespace zev::platform {
namespace {

// One lock byte per fact, far beyond any real data: "someone reads", "someone writes", "someone
// denies reading", "someone denies writing". Every opener takes shared locks on the facts that
// describe it, so registrations never block each other; conflicts are found by probing.
constexpr off_t kLockBase = static_cast<off_t>(INT64_MAX - 0xFF);
enum Fact : off_t { kReads = 0, kWrites = 1, kDeniesRead = 2, kDeniesWrite = 3 };

struct flock ByteLock(short type, Fact fact) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = kLockBase + fact;
  lock.l_len = 1;
  lock.l_pid = 0;  // required for OFD locks
  return lock;
}

enum class Probe { Free, Held, Unsupported };

// Whether another open file description holds a lock on the fact's byte.
Probe Held(int fd, Fact fact) {
  struct flock lock = ByteLock(F_WRLCK, fact);
  if (::fcntl(fd, F_OFD_GETLK, &lock) != 0) return Probe::Unsupported;
  return lock.l_type == F_UNLCK ? Probe::Free : Probe::Held;
}

}  // namespace

bool AcquireShare(int fd, const ShareRequest& request) {
  const struct {
    bool applies;
    Fact mine;
    Fact conflicting;
  } facts[] = {{request.read, kReads, kDeniesRead},
               {request.write, kWrites, kDeniesWrite},
               {request.denyRead, kDeniesRead, kReads},
               {request.denyWrite, kDeniesWrite, kWrites}};
  // Register first, then look for conflicts. Of two openers that conflict, the one that looks
  // last always sees the other, so two of them can both fail when racing but never both succeed.
  for (const auto& fact : facts) {
    if (!fact.applies) continue;
    struct flock lock = ByteLock(F_RDLCK, fact.mine);
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
      if (errno == EAGAIN || errno == EACCES) return false;
      return true;  // no OFD locks here (some network file systems): nothing to enforce with
    }
  }
  for (const auto& fact : facts) {
    if (fact.applies && Held(fd, fact.conflicting) == Probe::Held) {
      struct flock unlock = ByteLock(F_UNLCK, kReads);
      unlock.l_len = 4;
      ::fcntl(fd, F_OFD_SETLK, &unlock);
      return false;
    }
  }
  return true;
}

bool IsOpenElsewhere(int fd) {
  for (Fact fact : {kReads, kWrites, kDeniesRead, kDeniesWrite})
    if (Held(fd, fact) == Probe::Held) return true;
  return false;
}

}  // namespace zev::platform
