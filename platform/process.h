// Settings of the whole process that every program makes when it starts.
#pragma once

namespace zev::platform {

// Makes a write that would grow a file past the file-size limit (ulimit -f) fail like any other
// write (EFBIG), so that the program reports it and cleans up after itself. Left to the system,
// the limit kills the process (SIGXFSZ) in the middle of the write, with its temporary files still
// on disk.
void TreatFileSizeLimitAsWriteError();

}  // namespace zev::platform
