// The image list: images by key and by index (counted from 1), and a handle
// (property 5) by which another control, such as the code editor's
// completion list, finds the list again.
//
// Images here are named pictures: the key and the name of the picture they
// stand for. A key the list lacks raises 35601, an index 35600; keys are
// compared with regard to case and must be unique (35602).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace platform::controls {

struct ListImage {
  int32_t index = 0;  // from 1
  std::string key;
  std::string picture;  // what the image shows ("class", "method", ...)
};

class ImageList : public ui::Control {
 public:
  explicit ImageList(std::string name = "ImageList1");
  ~ImageList() override;
  std::string typeName() const override { return "ImageList"; }
  bool canTakeFocus() const override { return false; }

  // Adds an image at the end; the picture defaults to the key.
  const ListImage& add(std::string key, std::string picture = {});
  const ListImage& image(int32_t index) const;
  const ListImage& image(const std::string& key) const;
  int32_t count() const noexcept { return static_cast<int32_t>(images_.size()); }
  void clear() { images_.clear(); }

  // The list's handle (property 5): non-zero, unique while the list lives.
  uint32_t hImageList() const noexcept { return handle_; }
  // The list of a handle on this thread, or null.
  static ImageList* fromHandle(uint32_t handle);

 private:
  uint32_t handle_;
  std::vector<ListImage> images_;
};

// The images of the code editor's completion list, in this order.
inline constexpr const char* kCompletionImageKeys[] = {"class",    "sub", "property", "method",
                                                       "variable", "map", "control"};

}  // namespace platform::controls
