#include "host/options.h"

#include <charconv>
#include <stdexcept>

namespace kestrin_host {

namespace {

std::optional<std::pair<int32_t, int32_t>> parseScreen(const std::string& s) {
  size_t x = s.find('x');
  if (x == std::string::npos) return std::nullopt;
  int32_t w = 0, h = 0;
  auto a = std::from_chars(s.data(), s.data() + x, w);
  auto b = std::from_chars(s.data() + x + 1, s.data() + s.size(), h);
  if (a.ec != std::errc() || a.ptr != s.data() + x || b.ec != std::errc() || b.ptr != s.data() + s.size())
    return std::nullopt;
  if (w < 1 || h < 1 || w > 100000 || h > 100000) return std::nullopt;
  return std::make_pair(w, h);
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* name) -> std::string {
      if (i + 1 >= args.size()) throw std::invalid_argument(std::string(name) + " needs a value");
      return args[++i];
    };
    if (a == "--scenario") {
      o.scenario = value("--scenario");
    } else if (a == "--editor") {
      o.editor = value("--editor");
    } else if (a == "--registry") {
      o.registry = value("--registry");
    } else if (a == "--no-bridge") {
      o.bridge = false;
    } else if (a == "--screen") {
      std::string v = value("--screen");
      o.screen = parseScreen(v);
      if (!o.screen) throw std::invalid_argument("--screen takes WIDTHxHEIGHT in pixels, not " + v);
    } else if (a == "--console") {
      o.console = true;
    } else if (a == "--terminal") {
      o.terminal = true;
    } else if (a == "--gui") {
      o.gui = true;
    } else if (a == "--keep") {
      o.keep = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--") {
      if (i + 1 < args.size()) o.argument = args[++i];
      if (i + 1 < args.size()) throw std::invalid_argument("only one argument is handed to the editor");
    } else if (a.rfind("--", 0) == 0) {
      throw std::invalid_argument("unknown option " + a);
    } else if (o.argument) {
      throw std::invalid_argument("only one argument is handed to the editor");
    } else {
      o.argument = a;
    }
  }
  if ((o.console ? 1 : 0) + (o.terminal ? 1 : 0) + (o.gui ? 1 : 0) > 1)
    throw std::invalid_argument("--console, --terminal and --gui exclude each other");
  if (o.scenario && (o.console || o.terminal || o.gui))
    throw std::invalid_argument("a scenario has a user of its own; give none of --console, --terminal, --gui");
  if (o.scenario && o.argument)
    throw std::invalid_argument("a scenario makes its own host calls; give no argument with --scenario");
  return o;
}

const char* usage() {
  return "usage: kestrin-host [--scenario FILE | --console | --terminal | --gui] [--editor DIR]\n"
         "                    [--registry DIR] [--no-bridge] [--screen WIDTHxHEIGHT] [--keep] [ARG]\n"
         "  The editor opens on ARG (a script path, new or temp). On a terminal its windows\n"
         "  are shown there, to be used with the keys and the mouse (F10 opens the menus);\n"
         "  with a display they are windows on it. --gui and --terminal choose the face.\n"
         "  --console, or standard input that is no terminal, takes the commands of a\n"
         "  scenario at a prompt instead (help lists them); --scenario plays a file.\n";
}

}  // namespace kestrin_host
