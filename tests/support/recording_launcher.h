// A launcher for tests: what would have been started, and nothing started.
#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"

namespace zev::platform {

// Records every request and starts nothing.
class RecordingLauncher : public Launcher {
 public:
  std::string Launch(const LaunchRequest& request) override {
    requests.push_back(request);
    return "recorded";
  }
  std::vector<LaunchRequest> requests;
};

}  // namespace zev::platform
