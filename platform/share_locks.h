// Windows sharing modes between openers of one file, kept as open-file-description locks so that
// they hold between descriptors of this process and between processes alike.
#pragma once

namespace zev::platform {

struct ShareRequest {
  bool read = false;       // the opener reads
  bool write = false;      // the opener writes
  bool denyRead = false;   // others may not read while it is open
  bool denyWrite = false;  // others may not write while it is open
};

// Registers the opener of fd (a descriptor of its own, opened for reading) and checks it against
// everyone else who has the file open. False on a sharing conflict; the registration then ends
// with the descriptor. Where the file system has no such locks, sharing is not enforced.
bool AcquireShare(int fd, const ShareRequest& request);
// True when anyone other than fd's own description holds the file open through AcquireShare.
bool IsOpenElsewhere(int fd);

}  // namespace zev::platform
