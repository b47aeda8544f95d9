#pragma once
// Collection: the platform's ordered collection. Items are QVariant, positions count
// from 1, and an item may carry a text key; keys are unique and compared without
// regard to case. Key lookups are linear (collections here hold a few dozen items).
// Errors: VbError 457 for a duplicate key, VbError 5 for a missing position or key.

#include <QString>
#include <QVariant>
#include <vector>

namespace rt {

inline constexpr int32_t kErrDuplicateKey = 457;

class Collection {
 public:
  // Appends the item; an empty key means none.
  void Add(const QVariant& item, const QString& key = {});
  void Remove(int32_t index);
  void Remove(const QString& key);
  const QVariant& Item(int32_t index) const;
  const QVariant& Item(const QString& key) const;
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  bool Exists(const QString& key) const;
  void Clear() { items_.clear(); }

 private:
  struct Entry {
    QVariant value;
    QString key;  // case-folded; empty for none
  };
  qsizetype IndexOfKey(const QString& key) const;  // 0-based, -1 when absent
  qsizetype CheckedIndex(int32_t index) const;     // 0-based or throws

  std::vector<Entry> items_;
};

}  // namespace rt
