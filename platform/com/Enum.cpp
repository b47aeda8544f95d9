#include "platform/com/Enum.h"

namespace com {

Ref<IEnumVARIANT> EnumVariant::Over(std::vector<Variant> values) {
  auto items = std::make_shared<const std::vector<Variant>>(std::move(values));
  return Create<EnumVariant, IEnumVARIANT>(IID_IEnumVARIANT, std::move(items));
}

HRESULT EnumVariant::Next(ULONG count, VARIANT* items, ULONG* fetched) {
  if (fetched) *fetched = 0;
  if (count && !items) return E_POINTER;
  if (count > 1 && !fetched) return E_POINTER;
  ULONG done = 0;
  while (done < count && position_ < items_->size()) {
    VariantInit(&items[done]);
    const HRESULT hr = VariantCopy(&items[done], &(*items_)[position_].Get());
    if (FAILED(hr)) {
      for (ULONG i = 0; i < done; ++i) VariantClear(&items[i]);
      return hr;
    }
    ++done;
    ++position_;
  }
  if (fetched) *fetched = done;
  return done == count ? S_OK : S_FALSE;
}

HRESULT EnumVariant::Skip(ULONG count) {
  const std::size_t left = items_->size() - position_;
  if (count > left) {
    position_ = items_->size();
    return S_FALSE;
  }
  position_ += count;
  return S_OK;
}

HRESULT EnumVariant::Reset() {
  position_ = 0;
  return S_OK;
}

HRESULT EnumVariant::Clone(IEnumVARIANT** out) {
  return CreateAs<EnumVariant>(nullptr, IID_IEnumVARIANT, reinterpret_cast<void**>(out), items_,
                               position_);
}

void* EnumVariant::FindInterface(REFIID iid) {
  return iid == IID_IEnumVARIANT ? Face<IEnumVARIANT>() : nullptr;
}

std::size_t ForEachItem(IEnumVARIANT* items, const std::function<bool(const VARIANT&)>& visit,
                        std::size_t cap) {
  if (!items) return 0;
  std::size_t visited = 0;
  while (visited < cap) {
    Variant item;
    ULONG fetched = 0;
    if (items->Next(1, item.Out(), &fetched) != S_OK || fetched != 1) break;
    ++visited;
    if (!visit(item.Get())) break;
  }
  return visited;
}

}  // namespace com
