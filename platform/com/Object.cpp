#include "platform/com/Object.h"

namespace com {

HRESULT UnknownObject::NonDelegating::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = iid == IID_IUnknown ? static_cast<IUnknown*>(this) : self->FindInterface(iid);
  if (!*out) return E_NOINTERFACE;
  // The reference goes to the object itself, whichever face was asked for.
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

ULONG UnknownObject::NonDelegating::Release() {
  const ULONG left = --refs;
  if (left == 0) {
    refs = 1;  // guards against re-entry from the final release and the destructor
    self->FinalRelease();
    delete self;
  }
  return left;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  return create_(outer, iid, out, context_);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  ObjectTable::Lock(lock != FALSE);
  return S_OK;
}

void* ClassFactory::FindInterface(REFIID iid) {
  return iid == IID_IClassFactory ? Face<IClassFactory>() : nullptr;
}

HRESULT GetClassFactory(ClassFactory::Creator create, const void* context, REFIID iid, void** out) {
  return CreateAs<ClassFactory>(nullptr, iid, out, create, context);
}

}  // namespace com
