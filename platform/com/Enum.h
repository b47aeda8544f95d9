#pragma once
// An IEnumVARIANT over a fixed list of values, and the loop every caller of an
// enumerator uses. Clones share the list and copy the position. UI thread only.

#include <functional>
#include <memory>
#include <vector>

#include "platform/com/Object.h"

namespace com {

class EnumVariant final : public ComObject<IEnumVARIANT> {
 public:
  using Items = std::shared_ptr<const std::vector<Variant>>;

  EnumVariant(IUnknown* outer, Items items, std::size_t position = 0)
      : ComObject(outer), items_(std::move(items)), position_(position) {}
  // A new enumerator over copies of the values.
  static Ref<IEnumVARIANT> Over(std::vector<Variant> values);

  HRESULT Next(ULONG count, VARIANT* items, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;
  HRESULT Clone(IEnumVARIANT** out) override;

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  Items items_;
  std::size_t position_;
};

// Calls visit for each item that Next(1) yields, while Next answers S_OK with a fetched
// count of 1, at most `cap` times and until visit returns false. Any other answer ends
// the loop. Returns the number of items visited.
std::size_t ForEachItem(IEnumVARIANT* items, const std::function<bool(const VARIANT&)>& visit,
                        std::size_t cap = 100000);

}  // namespace com
