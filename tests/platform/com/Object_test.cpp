#include "platform/com/Object.h"

#include <gtest/gtest.h>

namespace {

using com::ComObject;
using com::ObjectTable;
using com::Ref;

// An inner object with two faces.
class Part final : public ComObject<IPropertyNotifySink, IEnumVARIANT> {
 public:
  explicit Part(IUnknown* outer) : ComObject(outer) {}
  HRESULT OnChanged(DISPID) override { return S_OK; }
  HRESULT OnRequestEdit(DISPID) override { return S_OK; }
  HRESULT Next(ULONG, VARIANT*, ULONG*) override { return S_FALSE; }
  HRESULT Skip(ULONG) override { return S_FALSE; }
  HRESULT Reset() override { return S_OK; }
  HRESULT Clone(IEnumVARIANT** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IPropertyNotifySink) return Face<IPropertyNotifySink>();
    if (iid == IID_IEnumVARIANT) return Face<IEnumVARIANT>();
    return nullptr;
  }
};

// An outer object that aggregates Part and hands out its faces.
class Outer final : public ComObject<IConnectionPointContainer> {
 public:
  explicit Outer(IUnknown* outer) : ComObject(outer) {
    created = com::CreateAs<Part>(Controlling(), IID_IUnknown, inner.OutVoid());
  }
  HRESULT EnumConnectionPoints(void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT FindConnectionPoint(REFIID, IConnectionPoint** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT created;
  Ref<IUnknown> inner;

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == IID_IConnectionPointContainer) return Face<IConnectionPointContainer>();
    if (iid == IID_IPropertyNotifySink || iid == IID_IEnumVARIANT) {
      void* face = nullptr;
      if (FAILED(inner->QueryInterface(iid, &face))) return nullptr;
      // The inner face forwards its counts to us: drop the one the query added.
      static_cast<IUnknown*>(face)->Release();
      return face;
    }
    return nullptr;
  }
};

IUnknown* IdentityOf(IUnknown* face) {
  IUnknown* id = nullptr;
  EXPECT_EQ(face->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&id)), S_OK);
  id->Release();
  return id;
}

TEST(UnknownObject, AggregatedFacesShareTheOuterIdentityAndCount) {
  const long before = ObjectTable::Objects();
  {
    auto outer = com::Create<Outer, IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(outer);
    ASSERT_EQ(outer.get()->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(ObjectTable::Objects(), before + 2);

    const IID faces[] = {IID_IConnectionPointContainer, IID_IPropertyNotifySink, IID_IEnumVARIANT};
    IUnknown* identity = IdentityOf(outer.get());
    // Reflexive, symmetric and transitive: every face reaches every other face and the
    // same identity, each reference counted on the outer object.
    for (const IID& from : faces) {
      Ref<IUnknown> a;
      ASSERT_EQ(outer->QueryInterface(from, a.OutVoid()), S_OK);
      EXPECT_EQ(IdentityOf(a.get()), identity);
      for (const IID& to : faces) {
        Ref<IUnknown> b;
        ASSERT_EQ(a->QueryInterface(to, b.OutVoid()), S_OK);
        Ref<IUnknown> back;
        ASSERT_EQ(b->QueryInterface(from, back.OutVoid()), S_OK);
        EXPECT_EQ(back.get(), a.get());
      }
    }
    Ref<IUnknown> none;
    EXPECT_EQ(outer->QueryInterface(IID_IDispatch, none.OutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(none);

    // Counts on any face move the outer count; the inner keeps the one the outer holds.
    Ref<IUnknown> sink;
    ASSERT_EQ(outer->QueryInterface(IID_IPropertyNotifySink, sink.OutVoid()), S_OK);
    EXPECT_EQ(sink->AddRef(), 3u);
    EXPECT_EQ(sink->Release(), 2u);
    auto* outerObject = static_cast<Outer*>(outer.get());
    EXPECT_EQ(outerObject->RefCount(), 2u);
  }
  EXPECT_EQ(ObjectTable::Objects(), before);
}

TEST(UnknownObject, AggregationAsksForIUnknownOnly) {
  auto outer = com::Create<Outer, IConnectionPointContainer>(IID_IConnectionPointContainer);
  ASSERT_TRUE(outer);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(com::CreateAs<Part>(outer.get(), IID_IPropertyNotifySink, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(static_cast<Outer*>(outer.get())->created, S_OK);
}

HRESULT MakeInner(IUnknown* outer, REFIID iid, void** out, const void* context) {
  ++*static_cast<int*>(const_cast<void*>(context));
  return com::CreateAs<Part>(outer, iid, out);
}

TEST(ClassFactory, CreatesCountsAndLocks) {
  const long objects = ObjectTable::Objects();
  int made = 0;
  Ref<IClassFactory> factory;
  ASSERT_EQ(com::GetClassFactory(MakeInner, &made, IID_IClassFactory, factory.OutVoid()), S_OK);
  EXPECT_EQ(ObjectTable::CanUnloadNow(), S_FALSE);

  Ref<IPropertyNotifySink> sink;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPropertyNotifySink, sink.OutVoid()), S_OK);
  EXPECT_EQ(made, 1);
  Ref<IUnknown> bad;
  EXPECT_EQ(factory->CreateInstance(sink.get(), IID_IPropertyNotifySink, bad.OutVoid()),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(made, 1);
  Ref<IUnknown> wrong;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, wrong.OutVoid()), E_NOINTERFACE);
  EXPECT_EQ(ObjectTable::Objects(), objects + 2);  // the factory and the sink

  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory = {};
  sink = {};
  EXPECT_EQ(ObjectTable::Objects(), objects);
  EXPECT_EQ(ObjectTable::CanUnloadNow(), S_FALSE);  // still locked
  Ref<IClassFactory> again;
  ASSERT_EQ(com::GetClassFactory(MakeInner, &made, IID_IClassFactory, again.OutVoid()), S_OK);
  EXPECT_EQ(again->LockServer(FALSE), S_OK);
  again = {};
  EXPECT_EQ(ObjectTable::Locks(), 0);
  if (objects == 0) {
    EXPECT_EQ(ObjectTable::CanUnloadNow(), S_OK);
  }
}

}  // namespace
