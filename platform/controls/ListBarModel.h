#pragma once
// The content of a list bar, in plain C++ so that the widget and an automation face
// can share it: groups, each with its list items; tabs; two image lists (large and
// small icons); the current group and tab; and a dirty flag.
//
// Positions are 1-based and always follow the order of a collection: inserting or
// removing renumbers the entries behind it. A non-empty key is unique among the
// groups, among the tabs, and among the list items of the whole bar (an item click
// reports only the key). A reference to a group, item or tab stays valid until it
// is removed or its collection cleared. Every change marks the bar dirty and is
// reported to each subscriber with the property that changed. Failures throw
// rt::VbError with the numbers of ListViewErrors.h. User-interface thread only.

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace ctl {

class ListBarModel;

// What a change notification names.
enum class ListBarProperty {
  Groups,       // a group added, removed, or its caption or view changed
  ListItems,    // an item of some group added, removed or changed
  Tabs,
  LargeIcons,
  SmallIcons,
  CurrentGroup,
  CurrentTab,
  Picture,        // the animated picture
  PictureFrames,  // its number of frames
};

enum class ListBarView { LargeIcons, SmallIcons };

// What groups, items and tabs have in common.
class ListBarEntry {
 public:
  ListBarEntry(const ListBarEntry&) = delete;
  ListBarEntry& operator=(const ListBarEntry&) = delete;
  virtual ~ListBarEntry() = default;

  int Index() const { return index_; }
  const QString& Key() const { return key_; }
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);

 protected:
  ListBarEntry(ListBarModel& model, ListBarProperty property, QString key, QString caption);
  void Changed();

 private:
  template <class T>
  friend class ListBarCollection;
  ListBarModel& model_;
  ListBarProperty property_;
  int index_ = 0;
  QString key_;
  QString caption_;
};

class ListBarItem : public ListBarEntry {
 public:
  ListBarItem(ListBarModel& model, QString key, QString caption, int icon);
  // Shown as the item's tool tip.
  const QString& Text() const { return text_; }
  void SetText(const QString& text);
  // 1-based image index into the bar's image lists; 0 = none.
  int Icon() const { return icon_; }
  void SetIcon(int index);

 private:
  QString text_;
  int icon_ = 0;
};

using ListBarTab = ListBarEntry;

// An ordered, keyed collection of groups, items or tabs.
template <class T>
class ListBarCollection {
 public:
  ListBarCollection(const ListBarCollection&) = delete;
  ListBarCollection& operator=(const ListBarCollection&) = delete;

  int Count() const { return static_cast<int>(entries_.size()); }
  // By 1-based index (error 35600) or key (error 35601, also for the empty key).
  T& Item(int index) const;
  T& Item(const QString& key) const;
  // The entry with a non-empty key, or null.
  T* Find(const QString& key) const;
  // By 1-based index (error 35600) or key (error 35601).
  void Remove(int index);
  void Remove(const QString& key);
  void Clear();
  // Moves the entry at 1-based position `from` to position `to` (error 35600 when
  // either is outside 1 .. Count()); the current entry stays the same entry.
  void Move(int from, int to);

 protected:
  ListBarCollection(ListBarModel& model, ListBarProperty property)
      : model_(model), property_(property) {}
  ~ListBarCollection() = default;
  // Puts a new entry at a 1-based position (0 = at the end; 1 .. Count() + 1, error
  // 35600 otherwise) after checking its key (error 35602).
  T& Insert(int index, std::unique_ptr<T> entry);
  ListBarModel& model_;

 private:
  void Renumber(size_t from);
  ListBarProperty property_;
  std::vector<std::unique_ptr<T>> entries_;
};

class ListBarItems : public ListBarCollection<ListBarItem> {
 public:
  explicit ListBarItems(ListBarModel& model);
  ListBarItem& Add(int index = 0, const QString& key = {}, const QString& caption = {},
                   int icon = 0);
};

class ListBarGroup : public ListBarEntry {
 public:
  ListBarGroup(ListBarModel& model, QString key, QString caption);
  ListBarItems& ListItems() { return items_; }
  const ListBarItems& ListItems() const { return items_; }
  ListBarView View() const { return view_; }
  void SetView(ListBarView view);

 private:
  ListBarItems items_;
  ListBarView view_ = ListBarView::LargeIcons;
};

class ListBarGroups : public ListBarCollection<ListBarGroup> {
 public:
  explicit ListBarGroups(ListBarModel& model);
  ListBarGroup& Add(int index = 0, const QString& key = {}, const QString& caption = {});
};

class ListBarTabs : public ListBarCollection<ListBarTab> {
 public:
  explicit ListBarTabs(ListBarModel& model);
  ListBarTab& Add(int index = 0, const QString& key = {}, const QString& caption = {});

 private:
  class Tab;
};

// Pictures with optional unique keys, numbered from 1, and the size and back colour
// the bar draws them with.
class ListBarImageList {
 public:
  ListBarImageList(ListBarModel& model, ListBarProperty property, int size);
  ListBarImageList(const ListBarImageList&) = delete;
  ListBarImageList& operator=(const ListBarImageList&) = delete;

  int Count() const { return static_cast<int>(images_.size()); }
  // Appends a picture and returns its index. A non-empty key must be unique (35602).
  int Add(const QString& key, const QImage& picture);
  // By 1-based index (error 35600).
  const QString& Key(int index) const;
  const QImage& Picture(int index) const;
  // The index of the image with a non-empty key, or 0.
  int Find(const QString& key) const;
  void Clear();

  // When fixed, every picture is drawn at ImageWidth x ImageHeight pixels.
  bool FixedSize() const { return fixedSize_; }
  void SetFixedSize(bool fixed);
  int ImageWidth() const { return width_; }
  int ImageHeight() const { return height_; }
  // Both at least 1 (error 380 otherwise).
  void SetImageSize(int width, int height);
  // An OLE colour (0x00BBGGRR, high bit = system colour index).
  uint32_t BackColor() const { return backColor_; }
  void SetBackColor(uint32_t color);

 private:
  struct Image {
    QString key;
    QImage picture;
  };
  const Image& At(int index) const;
  void Changed();

  ListBarModel& model_;
  ListBarProperty property_;
  std::vector<Image> images_;
  bool fixedSize_ = true;
  int width_;
  int height_;
  uint32_t backColor_ = 0x8000000F;  // button face
};

class ListBarModel {
 public:
  using Listener = std::function<void(ListBarProperty)>;

  ListBarModel();
  ListBarModel(const ListBarModel&) = delete;
  ListBarModel& operator=(const ListBarModel&) = delete;

  ListBarGroups& Groups() { return groups_; }
  const ListBarGroups& Groups() const { return groups_; }
  ListBarTabs& Tabs() { return tabs_; }
  const ListBarTabs& Tabs() const { return tabs_; }
  ListBarImageList& LargeIcons() { return largeIcons_; }
  const ListBarImageList& LargeIcons() const { return largeIcons_; }
  ListBarImageList& SmallIcons() { return smallIcons_; }
  const ListBarImageList& SmallIcons() const { return smallIcons_; }

  // The item with a non-empty key in any group, or null.
  ListBarItem* FindItem(const QString& key) const;

  // 1-based; 0 while the collection is empty. Setting needs 1 .. Count() (error 380).
  // Insertion and removal keep the current number on the same group or tab; when
  // the current one is removed, the one that takes its place (or the new last) is current.
  int CurrentGroup() const { return currentGroup_; }
  void SetCurrentGroup(int index);
  int CurrentTab() const { return currentTab_; }
  void SetCurrentTab(int index);

  // The animated picture: `PictureFrames()` equal frames side by side (0: none given).
  const QImage& Picture() const { return picture_; }
  void SetPicture(const QImage& picture);
  int PictureFrames() const { return pictureFrames_; }
  // 0 or more (error 380 otherwise).
  void SetPictureFrames(int frames);

  bool IsDirty() const { return dirty_; }
  void SetDirty(bool dirty) { dirty_ = dirty; }

  // Listeners are called after each change; they may unsubscribe while called. The
  // cookie Subscribe gives is Unsubscribe's, as a connection point's.
  int Subscribe(Listener listener);
  void Unsubscribe(int cookie);

 private:
  friend class ListBarEntry;
  friend class ListBarImageList;
  template <class T>
  friend class ListBarCollection;

  void Changed(ListBarProperty property);
  bool KeyTaken(ListBarProperty property, const QString& key) const;
  void Inserted(ListBarProperty property, int index);
  void Removed(ListBarProperty property, int index);
  void Moved(ListBarProperty property, int from, int to);
  void Cleared(ListBarProperty property);
  // Reports a collection change, then the current number when it moved.
  void Reported(ListBarProperty property, int currentBefore);
  int* CurrentOf(ListBarProperty property);
  int CountOf(ListBarProperty property) const;

  ListBarGroups groups_;
  ListBarTabs tabs_;
  ListBarImageList largeIcons_;
  ListBarImageList smallIcons_;
  int currentGroup_ = 0;
  int currentTab_ = 0;
  QImage picture_;
  int pictureFrames_ = 0;
  bool dirty_ = false;
  struct Subscriber {
    int cookie;
    Listener listener;
  };
  std::vector<Subscriber> subscribers_;
  int nextCookie_ = 1;
};

}  // namespace ctl
