// The syncs (fsync and fdatasync calls) of the component's class
// registration: on a fresh machine hive, which the registration creates,
// on an empty hive file made before, and on one that holds the
// registration already, each until the hive is
// closed (the last checkpoint included). Beside them, in the same run, the
// baseline: the same keys and values written one call at a time
// (RegCreateKeyEx and RegSetValueEx per entry, a transaction each), as the
// registration wrote them before. Counted, not timed: counter "syncs" per
// registration.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/library.h"
#include "platform/win32/registry.h"

namespace {
std::atomic<long> g_syncs{0};
}

// Every sync of the process goes through these: SQLite's included.
extern "C" int fsync(int fd) {
  ++g_syncs;
  static auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
  return real(fd);
}
extern "C" int fdatasync(int fd) {
  ++g_syncs;
  static auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"));
  return real(fd);
}

namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "kestrin-bench-XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string path;
};

using Register = int32_t (*)();  // DllRegisterServer: an HRESULT

Register componentRegistration() {
  static Register reg = [] {
    platform::HMODULE lib = platform::LoadLibrary(KESTRIN_COMPONENT_PATH);
    return lib ? reinterpret_cast<Register>(platform::GetProcAddress(lib, "DllRegisterServer")) : nullptr;
  }();
  return reg;
}

// The syncs of body, from a hive in folder until it is closed again.
template <typename Body>
long syncsOf(const std::string& folder, Body body) {
  platform::setRegistryFolder(folder);
  const long before = g_syncs.load();
  body();
  platform::setRegistryFolder(folder);  // closes the hives: the checkpoint
  return g_syncs.load() - before;
}

enum class Hive { Fresh, Empty, Registered };

void run(benchmark::State& state, Hive hive) {
  Register reg = componentRegistration();
  if (!reg) {
    state.SkipWithError("the component cannot be loaded");
    return;
  }
  long syncs = 0, failures = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TempFolder folder;
    if (hive == Hive::Registered) syncsOf(folder.path, [&] { failures += reg() != 0; });
    if (hive == Hive::Empty) {
      // The hive file made (by its first write), with nothing in it any more.
      syncsOf(folder.path, [] {
        platform::HKEY key = 0;
        platform::RegCreateKeyEx(platform::HKEY_CLASSES_ROOT, "Scratch", 0, platform::KEY_WRITE, &key);
        platform::RegCloseKey(key);
        platform::RegDeleteKey(platform::HKEY_CLASSES_ROOT, "Scratch");
      });
    }
    state.ResumeTiming();
    syncs += syncsOf(folder.path, [&] { failures += reg() != 0; });
  }
  platform::setRegistryFolder("");
  if (failures) state.SkipWithError("the registration failed");
  state.counters["syncs"] = benchmark::Counter(static_cast<double>(syncs), benchmark::Counter::kAvgIterations);
}

// No hive file yet: the registration makes it.
void BM_RegistrationFreshHive(benchmark::State& state) { run(state, Hive::Fresh); }
BENCHMARK(BM_RegistrationFreshHive)->Iterations(3)->Unit(benchmark::kMillisecond);

// A hive file made before, empty: the registration's own syncs.
void BM_RegistrationEmptyHive(benchmark::State& state) { run(state, Hive::Empty); }
BENCHMARK(BM_RegistrationEmptyHive)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_RegistrationRegisteredHive(benchmark::State& state) { run(state, Hive::Registered); }
BENCHMARK(BM_RegistrationRegisteredHive)->Iterations(3)->Unit(benchmark::kMillisecond);

// Every key below key with its values, in creation order, as the entries
// that make them again.
void collect(platform::HKEY key, const std::string& path, std::vector<platform::RegistryWrite>& out) {
  using namespace platform;
  out.push_back({path, false, "", REG_NONE, ""});
  for (DWORD i = 0;; ++i) {
    char name[1024];
    DWORD nameSize = sizeof name, type = 0, size = 0;
    if (RegEnumValue(key, i, name, &nameSize, &type, nullptr, &size) != ERROR_SUCCESS) break;
    std::string data(size, '\0');
    nameSize = sizeof name;
    RegEnumValue(key, i, name, &nameSize, &type, data.data(), &size);
    out.push_back({path, true, std::string(name, nameSize), type, data});
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    if (RegEnumKey(key, i, name, sizeof name) != ERROR_SUCCESS) break;
    HKEY sub = 0;
    if (RegOpenKeyEx(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    collect(sub, path.empty() ? name : path + "\\" + name, out);
    RegCloseKey(sub);
  }
}

void BM_Baseline_OneTransactionPerEntryFreshHive(benchmark::State& state) {
  using namespace platform;
  Register reg = componentRegistration();
  if (!reg) {
    state.SkipWithError("the component cannot be loaded");
    return;
  }
  std::vector<RegistryWrite> entries;
  {
    TempFolder source;
    setRegistryFolder(source.path);
    reg();
    for (const char* top : {"CLSID", "Interface", "TypeLib"}) {
      HKEY key = 0;
      if (RegOpenKeyEx(HKEY_CLASSES_ROOT, top, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
      collect(key, top, entries);
      RegCloseKey(key);
    }
    // The program ids: every other key at the top.
    for (DWORD i = 0;; ++i) {
      char name[256];
      if (RegEnumKey(HKEY_CLASSES_ROOT, i, name, sizeof name) != ERROR_SUCCESS) break;
      const std::string n = name;
      if (n == "CLSID" || n == "Interface" || n == "TypeLib") continue;
      HKEY key = 0;
      if (RegOpenKeyEx(HKEY_CLASSES_ROOT, n, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
      collect(key, n, entries);
      RegCloseKey(key);
    }
    setRegistryFolder("");
  }
  long syncs = 0;
  for (auto _ : state) {
    TempFolder folder;
    syncs += syncsOf(folder.path, [&] {
      for (const auto& e : entries) {
        HKEY key = 0;
        if (RegCreateKeyEx(HKEY_CLASSES_ROOT, e.subKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) continue;
        if (e.hasValue) RegSetValueEx(key, e.valueName, e.type, e.data.data(), static_cast<DWORD>(e.data.size()));
        RegCloseKey(key);
      }
    });
  }
  platform::setRegistryFolder("");
  state.counters["syncs"] = benchmark::Counter(static_cast<double>(syncs), benchmark::Counter::kAvgIterations);
  state.counters["entries"] = static_cast<double>(entries.size());
}
BENCHMARK(BM_Baseline_OneTransactionPerEntryFreshHive)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
