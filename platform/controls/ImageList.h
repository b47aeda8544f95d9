#pragma once
// An ordered list of pictures that list views draw as item icons. Images are
// numbered from 1 and may carry a unique text key. A list view keeps a guarded,
// non-owning pointer to the image lists it uses; the list announces every change
// so those views redraw. User-interface thread only.

#include <QIcon>
#include <QObject>
#include <QString>
#include <vector>

namespace ctl {

class ImageList : public QObject {
  Q_OBJECT

 public:
  explicit ImageList(QObject* parent = nullptr);

  // Appends a picture and returns its index (1-based). A non-empty key must be
  // unique (error 35602 otherwise).
  int Add(const QString& key, const QIcon& picture);
  int Count() const { return static_cast<int>(images_.size()); }
  // The picture at a 1-based index (error 35600 when out of range) or with a key
  // (error 35601 when no image has it).
  const QIcon& Image(int index) const;
  const QIcon& Image(const QString& key) const;
  // The picture at a 1-based index, or an empty icon for any other index.
  QIcon ImageOrNone(int index) const;
  void Clear();

 signals:
  void Changed();

 private:
  struct Entry {
    QString key;
    QIcon picture;
  };
  std::vector<Entry> images_;
};

}  // namespace ctl
