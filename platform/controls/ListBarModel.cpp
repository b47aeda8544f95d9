#include "platform/controls/ListBarModel.h"

#include <algorithm>

#include "platform/controls/ListViewErrors.h"

namespace ctl {

namespace {
const QString kSource = QStringLiteral("ListBar");
}  // namespace

// ---- entries ----

ListBarEntry::ListBarEntry(ListBarModel& model, ListBarProperty property, QString key,
                           QString caption)
    : model_(model), property_(property), key_(std::move(key)), caption_(std::move(caption)) {}

void ListBarEntry::SetCaption(const QString& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  Changed();
}

void ListBarEntry::Changed() { model_.Changed(property_); }

ListBarItem::ListBarItem(ListBarModel& model, QString key, QString caption, int icon)
    : ListBarEntry(model, ListBarProperty::ListItems, std::move(key), std::move(caption)),
      icon_(icon) {}

void ListBarItem::SetText(const QString& text) {
  if (text_ == text) return;
  text_ = text;
  Changed();
}

void ListBarItem::SetIcon(int index) {
  if (index < 0) RaiseInvalidPropertyValue(kSource);
  if (icon_ == index) return;
  icon_ = index;
  Changed();
}

ListBarGroup::ListBarGroup(ListBarModel& model, QString key, QString caption)
    : ListBarEntry(model, ListBarProperty::Groups, std::move(key), std::move(caption)),
      items_(model) {}

void ListBarGroup::SetView(ListBarView view) {
  if (view_ == view) return;
  view_ = view;
  Changed();
}

class ListBarTabs::Tab : public ListBarEntry {
 public:
  Tab(ListBarModel& model, QString key, QString caption)
      : ListBarEntry(model, ListBarProperty::Tabs, std::move(key), std::move(caption)) {}
};

// ---- collections ----

template <class T>
T& ListBarCollection<T>::Item(int index) const {
  if (index < 1 || index > Count()) RaiseIndexOutOfBounds(kSource);
  return *entries_[static_cast<size_t>(index - 1)];
}

template <class T>
T& ListBarCollection<T>::Item(const QString& key) const {
  T* found = Find(key);
  if (!found) RaiseElementNotFound(kSource);
  return *found;
}

template <class T>
T* ListBarCollection<T>::Find(const QString& key) const {
  if (key.isEmpty()) return nullptr;
  for (const auto& e : entries_) {
    if (e->Key() == key) return e.get();
  }
  return nullptr;
}

template <class T>
T& ListBarCollection<T>::Insert(int index, std::unique_ptr<T> entry) {
  if (index == 0) index = Count() + 1;
  if (index < 1 || index > Count() + 1) RaiseIndexOutOfBounds(kSource);
  if (!entry->Key().isEmpty() && model_.KeyTaken(property_, entry->Key()))
    RaiseKeyNotUnique(kSource);
  const auto at = static_cast<size_t>(index - 1);
  T& added = *entry;
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
  Renumber(at);
  model_.Inserted(property_, index);
  return added;
}

template <class T>
void ListBarCollection<T>::Remove(int index) {
  if (index < 1 || index > Count()) RaiseIndexOutOfBounds(kSource);
  const auto at = static_cast<size_t>(index - 1);
  // Keep the entry alive until the collection is consistent again.
  std::unique_ptr<T> removed = std::move(entries_[at]);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
  Renumber(at);
  model_.Removed(property_, index);
}

template <class T>
void ListBarCollection<T>::Remove(const QString& key) {
  Remove(Item(key).Index());
}

template <class T>
void ListBarCollection<T>::Move(int from, int to) {
  if (from < 1 || from > Count() || to < 1 || to > Count()) RaiseIndexOutOfBounds(kSource);
  if (from == to) return;
  const auto a = entries_.begin() + (from - 1);
  const auto b = entries_.begin() + (to - 1);
  if (from < to)
    std::rotate(a, a + 1, b + 1);
  else
    std::rotate(b, a, a + 1);
  Renumber(static_cast<size_t>(std::min(from, to) - 1));
  model_.Moved(property_, from, to);
}

template <class T>
void ListBarCollection<T>::Clear() {
  std::vector<std::unique_ptr<T>> removed;
  removed.swap(entries_);
  model_.Cleared(property_);
}

template <class T>
void ListBarCollection<T>::Renumber(size_t from) {
  for (size_t i = from; i < entries_.size(); ++i) entries_[i]->index_ = static_cast<int>(i + 1);
}

template class ListBarCollection<ListBarEntry>;
template class ListBarCollection<ListBarItem>;
template class ListBarCollection<ListBarGroup>;

ListBarItems::ListBarItems(ListBarModel& model)
    : ListBarCollection(model, ListBarProperty::ListItems) {}

ListBarItem& ListBarItems::Add(int index, const QString& key, const QString& caption, int icon) {
  if (icon < 0) RaiseInvalidPropertyValue(kSource);
  return Insert(index, std::make_unique<ListBarItem>(model_, key, caption, icon));
}

ListBarGroups::ListBarGroups(ListBarModel& model)
    : ListBarCollection(model, ListBarProperty::Groups) {}

ListBarGroup& ListBarGroups::Add(int index, const QString& key, const QString& caption) {
  return Insert(index, std::make_unique<ListBarGroup>(model_, key, caption));
}

ListBarTabs::ListBarTabs(ListBarModel& model) : ListBarCollection(model, ListBarProperty::Tabs) {}

ListBarTab& ListBarTabs::Add(int index, const QString& key, const QString& caption) {
  return Insert(index, std::make_unique<Tab>(model_, key, caption));
}

// ---- image lists ----

ListBarImageList::ListBarImageList(ListBarModel& model, ListBarProperty property, int size)
    : model_(model), property_(property), width_(size), height_(size) {}

int ListBarImageList::Add(const QString& key, const QImage& picture) {
  if (Find(key) != 0) RaiseKeyNotUnique(kSource);
  images_.push_back({key, picture});
  Changed();
  return Count();
}

const ListBarImageList::Image& ListBarImageList::At(int index) const {
  if (index < 1 || index > Count()) RaiseIndexOutOfBounds(kSource);
  return images_[static_cast<size_t>(index - 1)];
}

const QString& ListBarImageList::Key(int index) const { return At(index).key; }

const QImage& ListBarImageList::Picture(int index) const { return At(index).picture; }

int ListBarImageList::Find(const QString& key) const {
  if (key.isEmpty()) return 0;
  for (size_t i = 0; i < images_.size(); ++i) {
    if (images_[i].key == key) return static_cast<int>(i + 1);
  }
  return 0;
}

void ListBarImageList::Clear() {
  images_.clear();
  Changed();
}

void ListBarImageList::SetFixedSize(bool fixed) {
  if (fixedSize_ == fixed) return;
  fixedSize_ = fixed;
  Changed();
}

void ListBarImageList::SetImageSize(int width, int height) {
  if (width < 1 || height < 1) RaiseInvalidPropertyValue(kSource);
  if (width_ == width && height_ == height) return;
  width_ = width;
  height_ = height;
  Changed();
}

void ListBarImageList::SetBackColor(uint32_t color) {
  if (backColor_ == color) return;
  backColor_ = color;
  Changed();
}

void ListBarImageList::Changed() { model_.Changed(property_); }

// ---- the bar ----

ListBarModel::ListBarModel()
    : groups_(*this),
      tabs_(*this),
      largeIcons_(*this, ListBarProperty::LargeIcons, 32),
      smallIcons_(*this, ListBarProperty::SmallIcons, 16) {}

ListBarItem* ListBarModel::FindItem(const QString& key) const {
  for (int g = 1; g <= groups_.Count(); ++g) {
    if (ListBarItem* item = groups_.Item(g).ListItems().Find(key)) return item;
  }
  return nullptr;
}

void ListBarModel::SetCurrentGroup(int index) {
  if (index < 1 || index > groups_.Count()) RaiseInvalidPropertyValue(kSource);
  if (currentGroup_ == index) return;
  currentGroup_ = index;
  Changed(ListBarProperty::CurrentGroup);
}

void ListBarModel::SetPicture(const QImage& picture) {
  picture_ = picture;
  Changed(ListBarProperty::Picture);
}

void ListBarModel::SetPictureFrames(int frames) {
  if (frames < 0) RaiseInvalidPropertyValue(kSource);
  if (pictureFrames_ == frames) return;
  pictureFrames_ = frames;
  Changed(ListBarProperty::PictureFrames);
}

void ListBarModel::SetCurrentTab(int index) {
  if (index < 1 || index > tabs_.Count()) RaiseInvalidPropertyValue(kSource);
  if (currentTab_ == index) return;
  currentTab_ = index;
  Changed(ListBarProperty::CurrentTab);
}

int ListBarModel::Subscribe(Listener listener) {
  subscribers_.push_back({nextCookie_, std::move(listener)});
  return nextCookie_++;
}

void ListBarModel::Unsubscribe(int cookie) {
  std::erase_if(subscribers_, [cookie](const Subscriber& s) { return s.cookie == cookie; });
}

void ListBarModel::Changed(ListBarProperty property) {
  dirty_ = true;
  // A copy, so that a listener may subscribe or unsubscribe while it is called.
  const std::vector<Subscriber> subscribers = subscribers_;
  for (const Subscriber& s : subscribers) {
    const bool stillThere = std::any_of(subscribers_.begin(), subscribers_.end(),
                                        [&](const Subscriber& t) { return t.cookie == s.cookie; });
    if (stillThere) s.listener(property);
  }
}

bool ListBarModel::KeyTaken(ListBarProperty property, const QString& key) const {
  switch (property) {
    case ListBarProperty::Groups:
      return groups_.Find(key) != nullptr;
    case ListBarProperty::Tabs:
      return tabs_.Find(key) != nullptr;
    default:
      return FindItem(key) != nullptr;
  }
}

int* ListBarModel::CurrentOf(ListBarProperty property) {
  if (property == ListBarProperty::Groups) return &currentGroup_;
  if (property == ListBarProperty::Tabs) return &currentTab_;
  return nullptr;
}

int ListBarModel::CountOf(ListBarProperty property) const {
  return property == ListBarProperty::Groups ? groups_.Count() : tabs_.Count();
}

void ListBarModel::Inserted(ListBarProperty property, int index) {
  int* current = CurrentOf(property);
  const int before = current ? *current : 0;
  if (current && (*current == 0 || index <= *current)) ++*current;
  Reported(property, before);
}

void ListBarModel::Removed(ListBarProperty property, int index) {
  int* current = CurrentOf(property);
  const int before = current ? *current : 0;
  if (current) {
    if (index < *current) --*current;
    *current = std::min(*current, CountOf(property));
  }
  Reported(property, before);
}

void ListBarModel::Moved(ListBarProperty property, int from, int to) {
  int* current = CurrentOf(property);
  const int before = current ? *current : 0;
  if (current && *current != 0) {
    if (*current == from)
      *current = to;
    else if (from < *current && *current <= to)
      --*current;
    else if (to <= *current && *current < from)
      ++*current;
  }
  Reported(property, before);
}

void ListBarModel::Reported(ListBarProperty property, int currentBefore) {
  Changed(property);
  const int* current = CurrentOf(property);
  if (current && *current != currentBefore)
    Changed(property == ListBarProperty::Groups ? ListBarProperty::CurrentGroup
                                                : ListBarProperty::CurrentTab);
}

void ListBarModel::Cleared(ListBarProperty property) { Removed(property, 1); }

}  // namespace ctl
