// Windows sharing modes between openers of one file, kept as open-file-description locks so that
// they hold between descriptors of this process and between processes alike. For the *_posix.cpp
// files of platform/ alone: Windows enforces sharing itself (CreateFileW's share mode), so this
// has no Win32 counterpart.
#pragma once

#include "platform/file_stream.h"

namespace zev::platform {

// Registers the opener of fd (a descriptor of its own, opened for reading) and checks it against
// everyone else who has the file open. False on a sharing conflict; the registration then ends
// with the descriptor. Where the file system has no such locks, sharing is not enforced.
bool AcquireShare(int fd, const ShareRequest& request);
// True when anyone other than fd's own description holds the file open through AcquireShare.
bool IsOpenElsewhere(int fd);

}  // namespace zev::platform
