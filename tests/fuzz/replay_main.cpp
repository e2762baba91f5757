// The fuzz targets' own driver where libFuzzer is not at hand: it feeds
// every file of the folders (or files) it is given to the target, or, with
// -max_total_time=SECONDS, also mutates them for that long and keeps each
// input that crashes the target as "crash-<n>" in the current folder before
// the crash happens.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void run(const std::string& input) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

std::string mutate(std::string s, const std::vector<std::string>& seeds, std::mt19937& random) {
  auto pick = [&](size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  static const char* const kInteresting[] = {"\r\n",
                                             "\n",
                                             "\r",
                                             "\\",
                                             "\\n",
                                             "\"",
                                             "|",
                                             "[",
                                             "]",
                                             "=",
                                             "\x1b[2J",
                                             "\xff",
                                             "\xc3\x28",
                                             "\0",
                                             "-1",
                                             "2147483648",
                                             "99999999999999999999",
                                             "Popup",
                                             "Tool",
                                             "[x] ",
                                             "[ ] "};
  const int steps = 1 + static_cast<int>(pick(4));
  for (int i = 0; i < steps; ++i) {
    switch (pick(6)) {
      case 0:
        if (!s.empty()) s[pick(s.size())] = static_cast<char>(pick(256));
        break;
      case 1: s.insert(pick(s.size() + 1), 1, static_cast<char>(pick(256))); break;
      case 2:
        if (!s.empty()) s.erase(pick(s.size()), 1 + pick(8));
        break;
      case 3: {
        const char* word = kInteresting[pick(std::size(kInteresting))];
        s.insert(pick(s.size() + 1), std::string(word, *word ? std::strlen(word) : 1));
        break;
      }
      case 4:
        if (!seeds.empty()) {
          const std::string& other = seeds[pick(seeds.size())];
          const size_t from = pick(other.size() + 1);
          s.insert(pick(s.size() + 1), other.substr(from, pick(other.size() - from + 1)));
        }
        break;
      default:
        if (!s.empty()) {
          const size_t from = pick(s.size());
          const std::string part = s.substr(from, 1 + pick(64));
          s.insert(pick(s.size() + 1), part);
        }
    }
  }
  if (s.size() > 65536) s.resize(65536);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  long seconds = 0;
  std::vector<std::string> seeds;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("-max_total_time=", 0) == 0) {
      seconds = std::atol(arg.c_str() + 16);
      continue;
    }
    if (arg.rfind("-", 0) == 0) continue;  // libFuzzer's other options mean nothing here
    if (std::filesystem::is_directory(arg)) {
      std::vector<std::filesystem::path> files;
      for (const auto& e : std::filesystem::directory_iterator(arg))
        if (e.is_regular_file()) files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) seeds.push_back(readAll(f));
    } else {
      seeds.push_back(readAll(arg));
    }
  }
  for (const std::string& seed : seeds) run(seed);
  std::printf("replayed %zu inputs\n", seeds.size());
  if (seconds <= 0) return 0;
  std::mt19937 random(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  long runs = 0;
  while (std::chrono::steady_clock::now() < end) {
    const std::string input = mutate(seeds.empty() ? std::string() : seeds[random() % seeds.size()], seeds, random);
    // Kept before the run, so that a crash leaves its input behind.
    std::ofstream("crash-candidate", std::ios::binary | std::ios::trunc) << input;
    run(input);
    ++runs;
  }
  std::filesystem::remove("crash-candidate");
  std::printf("mutated %ld inputs\n", runs);
  return 0;
}
