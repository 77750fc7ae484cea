// googletest's own place for a build's settings, put before Debian's empty
// one for the Windows build: the win32 threads runtime of GCC 12, which the
// modules use, has no std::mutex or std::condition_variable, of which
// googletest's Notification is made. This one waits on a Windows event.
#pragma once

#include <cstddef>  // libstdc++'s configuration: _GLIBCXX_HAS_GTHREADS

#if defined(_WIN32) && !defined(_GLIBCXX_HAS_GTHREADS)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  Notification(Notification&&) = delete;
  Notification& operator=(Notification&&) = delete;
  ~Notification() { ::CloseHandle(event_); }

  void Notify() { ::SetEvent(event_); }
  void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace testing::internal
#endif
