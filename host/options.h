// The command line of kestrin-host:
//   kestrin-host [--scenario FILE | --console | --terminal | --gui] [--editor DIR]
//                [--registry DIR] [--no-bridge] [--screen WIDTHxHEIGHT]
//                [--keep] [ARG]
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrin_host {

struct Options {
  std::optional<std::string> scenario;
  std::optional<std::string> editor;
  std::optional<std::string> registry;
  bool bridge = true;
  std::optional<std::pair<int32_t, int32_t>> screen;
  bool keep = false;
  // The command console instead of the interactive terminal desktop.
  bool console = false;
  // The terminal desktop even where the default choice would not open it
  // (KESTRIN_DESKTOP=off, standard input that is no terminal).
  bool terminal = false;
  // The windows on the display (the windowed desktop).
  bool gui = false;
  bool help = false;
  std::optional<std::string> argument;
};

// Reads the arguments (without the program name); raises
// std::invalid_argument with the reason for a wrong command line.
Options parseOptions(const std::vector<std::string>& args);

const char* usage();

}  // namespace kestrin_host
