#include "platform/win32/library.h"

#include <dlfcn.h>
#include <ffi.h>
#include <link.h>
#include <sys/stat.h>

#include <map>
#include <mutex>

#include "platform/runtime/strings.h"

namespace platform {

namespace {

struct Loaded {
  void* dl = nullptr;
  int loads = 0;
};

std::mutex g_mutex;
std::map<HMODULE, Loaded> g_modules;
HMODULE g_nextModule = 0x03000000;

std::string fileNamePart(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Search {
  const std::string* name;
  std::string found;
};

// The full path of a loaded library whose file name is name, compared
// without regard to case; empty when there is none.
std::string loadedLibraryNamed(const std::string& name) {
  Search search{&name, {}};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) -> int {
        auto* s = static_cast<Search*>(data);
        if (!info->dlpi_name || !*info->dlpi_name) return 0;
        const std::string path = info->dlpi_name;
        if (equalsAsciiNoCase(fileNamePart(path), *s->name)) {
          s->found = path;
          return 1;
        }
        return 0;
      },
      &search);
  return search.found;
}

void* dlHandleOf(HMODULE module) {
  std::lock_guard lock(g_mutex);
  const auto it = g_modules.find(module);
  return it == g_modules.end() ? nullptr : it->second.dl;
}

}  // namespace

HMODULE LoadLibrary(const std::string& fileName) {
  if (fileName.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  std::string path = fileName;
  if (fileName.find('/') == std::string::npos) {
    const std::string loaded = loadedLibraryNamed(fileName);
    if (!loaded.empty()) path = loaded;
  }
  void* dl = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!dl) {
    struct stat st {};
    const bool isFile = path.find('/') != std::string::npos && ::stat(path.c_str(), &st) == 0;
    SetLastError(isFile ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
    return 0;
  }
  std::lock_guard lock(g_mutex);
  for (auto& [handle, module] : g_modules) {
    if (module.dl == dl) {
      ++module.loads;
      return handle;
    }
  }
  const HMODULE handle = g_nextModule++;
  g_modules[handle] = Loaded{dl, 1};
  return handle;
}

FARPROC GetProcAddress(HMODULE module, const std::string& procName) {
  void* dl = dlHandleOf(module);
  if (!dl) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ::dlerror();
  void* address = ::dlsym(dl, procName.c_str());
  if (!address) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  // dlsym also searches the libraries this one depends on; only the
  // library's own routines count.
  link_map* map = nullptr;
  Dl_info info{};
  if (::dlinfo(dl, RTLD_DI_LINKMAP, &map) == 0 && map && ::dladdr(address, &info) != 0 && info.dli_fname &&
      map->l_name && std::string(info.dli_fname) != map->l_name) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return address;
}

BOOL FreeLibrary(HMODULE module) {
  void* dl = nullptr;
  {
    std::lock_guard lock(g_mutex);
    const auto it = g_modules.find(module);
    if (it == g_modules.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    dl = it->second.dl;
    if (--it->second.loads == 0) g_modules.erase(it);
  }
  ::dlclose(dl);
  return 1;
}

int32_t callRoutine(FARPROC address, const std::vector<int32_t>& arguments) {
  if (!address) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const unsigned count = static_cast<unsigned>(arguments.size());
  std::vector<ffi_type*> types(count, &ffi_type_sint32);
  std::vector<int32_t> values(arguments);
  std::vector<void*> pointers(count);
  for (unsigned i = 0; i < count; ++i) pointers[i] = &values[i];
  ffi_cif cif;
  if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, count, &ffi_type_sint32, types.data()) != FFI_OK) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  ffi_arg result = 0;
  ffi_call(&cif, reinterpret_cast<void (*)()>(address), &result, pointers.data());
  return static_cast<int32_t>(result);
}

int32_t callRoutineWithText(FARPROC address, const std::string& text) {
  if (!address) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  ffi_type* types[1] = {&ffi_type_pointer};
  const char* pointer = text.c_str();
  void* values[1] = {&pointer};
  ffi_cif cif;
  if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, 1, &ffi_type_sint32, types) != FFI_OK) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  ffi_arg result = 0;
  ffi_call(&cif, reinterpret_cast<void (*)()>(address), &result, values);
  return static_cast<int32_t>(result);
}

}  // namespace platform
