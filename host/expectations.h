// The expectations of the scenario language (expect KIND ...): each kind's
// reading of its line and its check stand together in expectations.cpp;
// Session::expect runs the check.
#pragma once

#include "host/scenario_reader.h"

namespace kestrin_host {

// Reads the words after `expect` into the command; raises ScenarioError
// for a kind that does not exist or arguments that do not fit it.
void parseExpect(Reader& r, Command& c);

}  // namespace kestrin_host
