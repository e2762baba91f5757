#include "platform/ui/screen.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#ifdef KESTRIN_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include "platform/runtime/optional_library.h"
#endif

namespace platform::ui {

namespace {

std::atomic<int32_t> g_width{1024};
std::atomic<int32_t> g_height{768};
std::atomic<bool> g_setByHost{false};
std::atomic<int16_t> g_mousePointer{0};

std::vector<std::string> fixedFonts() {
  return {"Arial",    "Courier", "Courier New", "Fixedsys", "Lucida Console",  "MS Sans Serif",
          "MS Serif", "System",  "Tahoma",      "Terminal", "Times New Roman", "Verdana"};
}

std::vector<std::string> loadFonts() {
  std::vector<std::string> fonts;
#ifdef KESTRIN_HAVE_FONTCONFIG
  // The font library is opened when the list is first asked for, not by
  // the loader at every start.
  static platform::OptionalLibrary library(KESTRIN_FONTCONFIG_SONAME);
  const auto init = library.function<decltype(&::FcInitLoadConfigAndFonts)>("FcInitLoadConfigAndFonts");
  const auto patternCreate = library.function<decltype(&::FcPatternCreate)>("FcPatternCreate");
  const auto objectSetBuild = library.function<decltype(&::FcObjectSetBuild)>("FcObjectSetBuild");
  const auto fontList = library.function<decltype(&::FcFontList)>("FcFontList");
  const auto patternGetString = library.function<decltype(&::FcPatternGetString)>("FcPatternGetString");
  const auto fontSetDestroy = library.function<decltype(&::FcFontSetDestroy)>("FcFontSetDestroy");
  const auto objectSetDestroy = library.function<decltype(&::FcObjectSetDestroy)>("FcObjectSetDestroy");
  const auto patternDestroy = library.function<decltype(&::FcPatternDestroy)>("FcPatternDestroy");
  const auto configDestroy = library.function<decltype(&::FcConfigDestroy)>("FcConfigDestroy");
  const bool found = init && patternCreate && objectSetBuild && fontList && patternGetString && fontSetDestroy &&
                     objectSetDestroy && patternDestroy && configDestroy;
  if (FcConfig* config = found ? init() : nullptr) {
    FcPattern* pattern = patternCreate();
    FcObjectSet* os = objectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
    if (FcFontSet* set = fontList(config, pattern, os)) {
      for (int i = 0; i < set->nfont; ++i) {
        FcChar8* family = nullptr;
        // A font can have several family names; the first is its own.
        if (patternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && family)
          fonts.emplace_back(reinterpret_cast<const char*>(family));
      }
      fontSetDestroy(set);
    }
    objectSetDestroy(os);
    patternDestroy(pattern);
    configDestroy(config);
  }
#endif
  if (fonts.empty()) fonts = fixedFonts();
  std::sort(fonts.begin(), fonts.end());
  fonts.erase(std::unique(fonts.begin(), fonts.end()), fonts.end());
  return fonts;
}

}  // namespace

int32_t Screen::Width() const { return g_width.load() * 15; }
int32_t Screen::Height() const { return g_height.load() * 15; }

const std::vector<std::string>& Screen::Fonts() const {
  static std::once_flag once;
  static std::vector<std::string> fonts;
  std::call_once(once, [] { fonts = loadFonts(); });
  return fonts;
}

bool Screen::hasFont(const std::string& name) const {
  const auto& f = Fonts();
  return std::binary_search(f.begin(), f.end(), name);
}

int16_t Screen::MousePointer() const { return g_mousePointer.load(); }
void Screen::setMousePointer(int16_t pointer) { g_mousePointer.store(pointer); }

Screen& screen() {
  static Screen s;
  return s;
}

void setScreenPixels(int32_t width, int32_t height) {
  if (width > 0) g_width.store(width);
  if (height > 0) g_height.store(height);
  if (width > 0 || height > 0) g_setByHost.store(true);
}
void setDisplayPixels(int32_t width, int32_t height) {
  if (g_setByHost.load() || width <= 0 || height <= 0) return;
  g_width.store(width);
  g_height.store(height);
}
int32_t screenPixelWidth() { return g_width.load(); }
int32_t screenPixelHeight() { return g_height.load(); }

}  // namespace platform::ui
