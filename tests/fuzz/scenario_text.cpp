// The scenario parser: any text is read or refused with an error.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "host/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    kestrin_host::parseScenario(text, {{"WORK", "/w"}, {"EDITOR", "/e"}, {"HOME", "/h"}});
  } catch (const std::exception&) {
  }
  return 0;
}
