#include "platform/controls/ImageList.h"

#include "platform/controls/ListViewErrors.h"

namespace ctl {

ImageList::ImageList(QObject* parent) : QObject(parent) {}

int ImageList::Add(const QString& key, const QIcon& picture) {
  if (!key.isEmpty()) {
    for (const Entry& e : images_) {
      if (e.key == key) RaiseKeyNotUnique(QStringLiteral("ImageList"));
    }
  }
  images_.push_back({key, picture});
  emit Changed();
  return Count();
}

const QIcon& ImageList::Image(int index) const {
  if (index < 1 || index > Count()) RaiseIndexOutOfBounds(QStringLiteral("ImageList"));
  return images_[static_cast<size_t>(index - 1)].picture;
}

const QIcon& ImageList::Image(const QString& key) const {
  for (const Entry& e : images_) {
    if (!key.isEmpty() && e.key == key) return e.picture;
  }
  RaiseElementNotFound(QStringLiteral("ImageList"));
}

QIcon ImageList::ImageOrNone(int index) const {
  if (index < 1 || index > Count()) return {};
  return images_[static_cast<size_t>(index - 1)].picture;
}

void ImageList::Clear() {
  images_.clear();
  emit Changed();
}

}  // namespace ctl
