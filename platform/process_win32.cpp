#include "platform/process.h"

namespace zev::platform {

// Windows has no file-size limit that signals: a write it refuses simply fails.
void TreatFileSizeLimitAsWriteError() {}

}  // namespace zev::platform
