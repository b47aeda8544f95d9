#include "platform/runtime/Collection.h"

#include "platform/runtime/Error.h"

namespace rt {

namespace {
QString Fold(const QString& key) { return key.toCaseFolded(); }
}  // namespace

qsizetype Collection::IndexOfKey(const QString& key) const {
  if (key.isEmpty()) return -1;
  const QString folded = Fold(key);
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].key == folded) return static_cast<qsizetype>(i);
  return -1;
}

qsizetype Collection::CheckedIndex(int32_t index) const {
  if (index < 1 || index > Count()) Raise(kErrInvalidCall);
  return index - 1;
}

void Collection::Add(const QVariant& item, const QString& key) {
  if (IndexOfKey(key) >= 0)
    Raise(kErrDuplicateKey, QStringLiteral("Stovrel"),
          QStringLiteral("This key is already associated with an element of this collection"));
  items_.push_back({item, key.isEmpty() ? QString() : Fold(key)});
}

void Collection::Remove(int32_t index) { items_.erase(items_.begin() + CheckedIndex(index)); }

void Collection::Remove(const QString& key) {
  const qsizetype i = IndexOfKey(key);
  if (i < 0) Raise(kErrInvalidCall);
  items_.erase(items_.begin() + i);
}

const QVariant& Collection::Item(int32_t index) const {
  return items_[static_cast<size_t>(CheckedIndex(index))].value;
}

const QVariant& Collection::Item(const QString& key) const {
  const qsizetype i = IndexOfKey(key);
  if (i < 0) Raise(kErrInvalidCall);
  return items_[static_cast<size_t>(i)].value;
}

bool Collection::Exists(const QString& key) const { return IndexOfKey(key) >= 0; }

}  // namespace rt
