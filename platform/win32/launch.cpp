#include "platform/win32/launch.h"

#include <memory>
#include <mutex>

namespace platform {

namespace {

std::mutex g_mutex;
std::shared_ptr<const LaunchRecorder> g_recorder;

}  // namespace

void setLaunchRecorder(LaunchRecorder recorder) {
  std::lock_guard lock(g_mutex);
  g_recorder = recorder ? std::make_shared<const LaunchRecorder>(std::move(recorder)) : nullptr;
}

bool launchGoesAhead(const Launch& launch) {
  std::shared_ptr<const LaunchRecorder> recorder;
  {
    std::lock_guard lock(g_mutex);
    recorder = g_recorder;
  }
  return !recorder || (*recorder)(launch);
}

}  // namespace platform
