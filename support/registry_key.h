// The registry key handle the support classes open for one call: closed
// again when it goes out of scope, on success and failure alike.
#pragma once

#include "platform/win32/registry.h"

namespace kestrin::support {

// KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY |
// KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK: what the classes
// ask for when they create a key or open one for writing.
inline constexpr platform::DWORD kKeyWriteAccess = 0x3F;

// An open key, closed when it goes out of scope. A failed open leaves no
// key (0), on which every later call fails.
class OpenKey {
 public:
  OpenKey() = default;
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey();

  // Where RegOpenKeyEx and RegCreateKeyEx put the key.
  platform::HKEY* out() { return &key_; }
  platform::HKEY get() const { return key_; }

 private:
  platform::HKEY key_ = 0;
};

}  // namespace kestrin::support
