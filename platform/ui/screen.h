// The Screen object: its size, fonts and mouse pointer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::ui {

class Screen {
 public:
  // The screen in twips (pixels times 15).
  int32_t Width() const;
  int32_t Height() const;
  int32_t TwipsPerPixelX() const { return 15; }
  int32_t TwipsPerPixelY() const { return 15; }

  // The screen fonts: from fontconfig when it is installed, else a fixed
  // list that holds "Courier New". Sorted, without duplicates.
  const std::vector<std::string>& Fonts() const;
  int32_t FontCount() const { return static_cast<int32_t>(Fonts().size()); }
  bool hasFont(const std::string& name) const;

  // The mouse pointer, a 16-bit value (0 default, 11 hourglass, 99 custom).
  int16_t MousePointer() const;
  void setMousePointer(int16_t pointer);
};

Screen& screen();

// The screen's size in pixels (default 1024 by 768); the host may set
// another, which then stays whatever display the desktop shows.
void setScreenPixels(int32_t width, int32_t height);
// The size of the display a desktop shows its windows on, told by the
// desktop when it opens; a size the host set keeps its place.
void setDisplayPixels(int32_t width, int32_t height);
int32_t screenPixelWidth();
int32_t screenPixelHeight();

}  // namespace platform::ui
