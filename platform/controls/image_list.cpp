#include "platform/controls/image_list.h"

#include <atomic>
#include <map>

#include "platform/controls/control_files.h"
#include "platform/runtime/errors.h"

namespace platform::controls {

namespace {

const char* const kSource = "ImageList";

// Image lists belong to the thread whose windows hold them.
std::map<uint32_t, ImageList*>& liveLists() {
  thread_local std::map<uint32_t, ImageList*> lists;
  return lists;
}

uint32_t nextHandle() {
  static std::atomic<uint32_t> counter{0};
  return 0x00A10000u + (++counter);
}

}  // namespace

ImageList::ImageList(std::string name) : ui::Control(std::move(name)), handle_(nextHandle()) {
  liveLists()[handle_] = this;
}

ImageList::~ImageList() { liveLists().erase(handle_); }

const ListImage& ImageList::add(std::string key, std::string picture) {
  for (const ListImage& im : images_)
    if (!key.empty() && im.key == key) raise(kKeyNotUnique, kSource, "Key is not unique in collection");
  ListImage im;
  im.index = count() + 1;
  im.picture = picture.empty() ? key : std::move(picture);
  im.key = std::move(key);
  images_.push_back(std::move(im));
  return images_.back();
}

const ListImage& ImageList::image(int32_t index) const {
  if (index < 1 || index > count()) raiseIndexOutOfBounds(kSource);
  return images_[static_cast<size_t>(index - 1)];
}

const ListImage& ImageList::image(const std::string& key) const {
  if (!key.empty())
    for (const ListImage& im : images_)
      if (im.key == key) return im;
  raiseElementNotFound(kSource);
}

ImageList* ImageList::fromHandle(uint32_t handle) {
  auto it = liveLists().find(handle);
  return it == liveLists().end() ? nullptr : it->second;
}

}  // namespace platform::controls
