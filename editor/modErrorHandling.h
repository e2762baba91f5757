// modErrorHandling: the errors of the temporary-script class.
//
// Its members raise 0x80040000 + n with a source of their own, the class
// name, a colon and the member ("CTempScript:FullPath Property Let"), and
// the description looked up for n.
#pragma once

#include <cstdint>
#include <string>

namespace kestrin::editor::modErrorHandling {

// The description of error n: the component's string resource n, which it
// does not carry, so always "An unknown error has occurred!".
std::string LookupErrorText(int32_t number);

// Raises 0x80040000 + n with the source and LookupErrorText(n).
[[noreturn]] void RaiseClassError(int32_t number, const std::string& source);

}  // namespace kestrin::editor::modErrorHandling
