#pragma once
// The interfaces of the component frame, declared as abstract classes whose virtual
// functions come in their published order; calls the pages never make are left out, so
// these are source-level, not binary, interfaces. Every entry point returns an HRESULT
// (counts excepted) and never lets an exception out. Objects are released, never
// deleted, through an interface. Out pointers are set to null on failure. The objects
// behind them live on one thread (the pages' UI thread) unless their class says more.

#include <new>
#include <utility>

#include "platform/com/Types.h"
#include "platform/com/Variant.h"

struct ITypeInfo;

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

// Invoke flags.
inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

// Member ids with a fixed meaning.
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_NEWENUM = -4;
inline constexpr MEMBERID MEMBERID_NIL = DISPID_UNKNOWN;

// Arguments of Invoke: rgvarg holds them in reverse order (the last argument first);
// the first cNamedArgs of them are named by rgdispidNamedArgs.
struct DISPPARAMS {
  VARIANTARG* rgvarg = nullptr;
  DISPID* rgdispidNamedArgs = nullptr;
  UINT cArgs = 0;
  UINT cNamedArgs = 0;
};

// Error details of a failed Invoke (DISP_E_EXCEPTION); the receiver frees the strings.
struct EXCEPINFO {
  WORD wCode = 0;
  WORD wReserved = 0;
  BSTR bstrSource = nullptr;
  BSTR bstrDescription = nullptr;
  BSTR bstrHelpFile = nullptr;
  DWORD dwHelpContext = 0;
  void* pvReserved = nullptr;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*) = nullptr;
  SCODE scode = 0;
};

struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) = 0;
  virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* excep, UINT* argErr) = 0;

 protected:
  ~IDispatch() = default;
};

struct IEnumVARIANT : IUnknown {
  // Copies up to count items into items; S_FALSE when fewer were left. fetched may be
  // null only when count is 1.
  virtual HRESULT Next(ULONG count, VARIANT* items, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumVARIANT** out) = 0;

 protected:
  ~IEnumVARIANT() = default;
};

struct IConnectionPointContainer;

struct IConnectionPoint : IUnknown {
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** out) = 0;
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  virtual HRESULT Unadvise(DWORD cookie) = 0;
  // Connection enumeration is not offered: E_NOTIMPL.
  virtual HRESULT EnumConnections(void** out) = 0;

 protected:
  ~IConnectionPoint() = default;
};

struct IConnectionPointContainer : IUnknown {
  // Connection point enumeration is not offered: E_NOTIMPL.
  virtual HRESULT EnumConnectionPoints(void** out) = 0;
  virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) = 0;

 protected:
  ~IConnectionPointContainer() = default;
};

struct IPropertyNotifySink : IUnknown {
  virtual HRESULT OnChanged(DISPID id) = 0;
  virtual HRESULT OnRequestEdit(DISPID id) = 0;

 protected:
  ~IPropertyNotifySink() = default;
};

struct ISequentialStream : IUnknown {
  virtual HRESULT Read(void* data, ULONG size, ULONG* read) = 0;
  virtual HRESULT Write(const void* data, ULONG size, ULONG* written) = 0;

 protected:
  ~ISequentialStream() = default;
};

inline constexpr DWORD STREAM_SEEK_SET = 0;
inline constexpr DWORD STREAM_SEEK_CUR = 1;
inline constexpr DWORD STREAM_SEEK_END = 2;

struct STATSTG {
  ULONGLONG cbSize = 0;
};

struct IStream : ISequentialStream {
  virtual HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) = 0;
  virtual HRESULT SetSize(ULONGLONG size) = 0;
  virtual HRESULT CopyTo(IStream* target, ULONGLONG size, ULONGLONG* read, ULONGLONG* written) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(ULONGLONG offset, ULONGLONG size, DWORD type) = 0;
  virtual HRESULT UnlockRegion(ULONGLONG offset, ULONGLONG size, DWORD type) = 0;
  virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
  virtual HRESULT Clone(IStream** out) = 0;

 protected:
  ~IStream() = default;
};

namespace com {

// Runs the body of an entry point so that no exception leaves it: running out of memory
// answers E_OUTOFMEMORY, anything else E_UNEXPECTED.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// Releases a held interface and nulls the pointer.
template <typename T>
void SafeRelease(T*& p) {
  if (p) {
    T* held = p;
    p = nullptr;
    held->Release();
  }
}

// A counted reference to an interface: releases on destruction, adds on copy.
template <typename T>
class Ref {
 public:
  Ref() = default;
  // Takes over a reference already owned by the caller.
  static Ref Adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  // Adds a reference of its own.
  explicit Ref(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  Ref(const Ref& o) : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ref() { SafeRelease(p_); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Releases what is held and gives the slot for an out parameter.
  T** Out() {
    SafeRelease(p_);
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  T* Detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  T* p_ = nullptr;
};

// Asks any object for another interface.
template <typename T>
Ref<T> QueryAs(IUnknown* object, REFIID iid) {
  Ref<T> out;
  if (object) object->QueryInterface(iid, out.OutVoid());
  return out;
}

}  // namespace com
