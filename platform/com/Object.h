#pragma once
// The base of every object the frame and the pages create, its class factory and the
// module's object table.
//
// `UnknownObject` gives an object two unknowns: its own private one, which counts
// references and answers QueryInterface from the object's interface table, and the
// controlling unknown its interfaces forward to: the outer object's when it is
// aggregated, else the private one. So QueryInterface is reflexive, symmetric and
// transitive across the outer object and every face of the inner one.
//
// `ComObject<I...>` implements the IUnknown slots of the listed interfaces by forwarding
// to the controlling unknown; the derived class lists what it answers in FindInterface.
// Objects start with no reference: create them with `com::Create`, which hands out the
// first one. They are deleted by their last Release.
//
// Every live object and every server lock is counted in the module's object table, so
// DllCanUnloadNow can answer. The table is the module's own when the module keeps the
// frame's symbols local (stovrel_inproc_server does). Objects live on one thread (the pages' UI
// thread); the counts are atomic.

#include <atomic>
#include <new>
#include <utility>

#include "platform/com/Interfaces.h"

namespace com {

// The module's counts of live objects and server locks.
class ObjectTable {
 public:
  static void ObjectCreated() { objects_.fetch_add(1); }
  static void ObjectDestroyed() { objects_.fetch_sub(1); }
  static void Lock(bool lock) { lock ? locks_.fetch_add(1) : locks_.fetch_sub(1); }
  static long Objects() { return objects_.load(); }
  static long Locks() { return locks_.load(); }
  // S_OK when nothing is alive or locked, else S_FALSE.
  static HRESULT CanUnloadNow() { return Objects() == 0 && Locks() == 0 ? S_OK : S_FALSE; }

 private:
  static inline std::atomic<long> objects_{0};
  static inline std::atomic<long> locks_{0};
};

class UnknownObject {
 public:
  UnknownObject(const UnknownObject&) = delete;
  UnknownObject& operator=(const UnknownObject&) = delete;

  // The private unknown: the one an aggregating outer object holds.
  IUnknown* PrivateUnknown() { return &inner_; }
  // Where the object's interfaces forward: the outer unknown, or the private one.
  IUnknown* Controlling() const { return outer_; }
  bool IsAggregated() const { return outer_ != &inner_; }
  ULONG RefCount() const { return inner_.refs; }

 protected:
  // outer: the aggregating object's unknown, or null. It is not referenced (it owns us).
  explicit UnknownObject(IUnknown* outer) : outer_(outer ? outer : &inner_) {
    inner_.self = this;
    ObjectTable::ObjectCreated();
  }
  virtual ~UnknownObject() { ObjectTable::ObjectDestroyed(); }
  // Called once by the last Release, while the object is still whole, before it is
  // deleted; references taken and given back meanwhile do not delete it again.
  virtual void FinalRelease() {}

  // The interface pointer answering iid (IUnknown excepted), without a reference;
  // null when the object does not have it.
  virtual void* FindInterface(REFIID iid) = 0;

 private:
  struct NonDelegating final : IUnknown {
    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    UnknownObject* self = nullptr;
    ULONG refs = 0;
  };
  NonDelegating inner_;
  IUnknown* outer_;
};

// Implements the IUnknown slots of every listed interface by forwarding.
template <typename... Interfaces>
class ComObject : public UnknownObject, public Interfaces... {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    return Controlling()->QueryInterface(iid, out);
  }
  ULONG AddRef() override { return Controlling()->AddRef(); }
  ULONG Release() override { return Controlling()->Release(); }

 protected:
  explicit ComObject(IUnknown* outer) : UnknownObject(outer) {}
  // A face of this object, for FindInterface.
  template <typename I>
  void* Face() {
    return static_cast<I*>(this);
  }
};

// Stores a value through an out pointer: E_POINTER when it is null.
template <typename T, typename V>
HRESULT PutOut(T* out, V value) {
  if (!out) return E_POINTER;
  *out = static_cast<T>(value);
  return S_OK;
}

// Allocates an object (arguments after the outer unknown go to its constructor) and
// answers the requested interface of its private unknown. Aggregation asks for
// IUnknown only: CLASS_E_NOAGGREGATION otherwise.
template <typename T, typename... Args>
HRESULT CreateAs(IUnknown* outer, REFIID iid, void** out, Args&&... args) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  T* object = new (std::nothrow) T(outer, std::forward<Args>(args)...);
  if (!object) return E_OUTOFMEMORY;
  IUnknown* inner = object->PrivateUnknown();
  inner->AddRef();
  const HRESULT hr = inner->QueryInterface(iid, out);
  inner->Release();
  return hr;
}

// An unaggregated object as a counted reference of interface I.
template <typename T, typename I, typename... Args>
Ref<I> Create(REFIID iid, Args&&... args) {
  Ref<I> out;
  CreateAs<T>(nullptr, iid, out.OutVoid(), std::forward<Args>(args)...);
  return out;
}

// Makes objects of one class: `create` answers the requested interface of a new object
// (as CreateAs does). LockServer counts in the object table.
class ClassFactory final : public ComObject<IClassFactory> {
 public:
  using Creator = HRESULT (*)(IUnknown* outer, REFIID iid, void** out, const void* context);

  ClassFactory(IUnknown* outer, Creator create, const void* context)
      : ComObject(outer), create_(create), context_(context) {}

  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT LockServer(BOOL lock) override;

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  Creator create_;
  const void* context_;
};

// The class factory for one class, answering iid: what DllGetClassObject returns.
HRESULT GetClassFactory(ClassFactory::Creator create, const void* context, REFIID iid, void** out);

}  // namespace com
