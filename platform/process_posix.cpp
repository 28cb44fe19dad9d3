#include <csignal>

#include "platform/process.h"

namespace zev::platform {

void TreatFileSizeLimitAsWriteError() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace zev::platform
