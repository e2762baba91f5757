// How the session writes and compares the values it reports: shared by
// the host calls and the expectations.
#pragma once

#include <cstdint>
#include <string>

#include "host/editor_link.h"
#include "host/scenario.h"
#include "platform/com/variant.h"
#include "platform/win32/registry.h"

namespace kestrin_host {

// A number as 0x and eight hexadecimal digits.
std::string hex32(int32_t n);

// A variant as the transcript writes it: "text", 12, True, empty, null, ...
std::string describeVariant(const platform::com::VARIANT& in);

// Whether a variant is the value: texts are texts, numbers numbers (of any
// width), True and False Booleans, empty Empty.
bool variantIs(const platform::com::VARIANT& in, const Value& want);

// An error as NUMBER (0xHEX) source "..." description "...".
std::string describeError(const HostError& e);

// "HKEY_CURRENT_USER\Software\X" into the root and the path below it.
platform::HKEY splitKeyPath(const std::string& path, std::string* below);

}  // namespace kestrin_host
