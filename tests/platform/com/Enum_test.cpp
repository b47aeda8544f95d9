#include "platform/com/Enum.h"

#include <gtest/gtest.h>

#include "platform/com/ConnectionPoint.h"
#include "tests/platform/com/RecordingSink.h"

namespace {

using com::Ref;
using com::Variant;

Ref<IEnumVARIANT> Numbers(int count) {
  std::vector<Variant> values;
  for (int i = 1; i <= count; ++i) values.push_back(Variant::I4(i));
  return com::EnumVariant::Over(std::move(values));
}

TEST(EnumVariant, NextSkipResetAndClone) {
  auto e = Numbers(5);
  ASSERT_TRUE(e);
  struct Step {
    const char* op;
    ULONG count;
    HRESULT hr;
    std::vector<LONG> got;
  };
  const Step steps[] = {
      {"next", 2, S_OK, {1, 2}}, {"skip", 1, S_OK, {}},    {"next", 3, S_FALSE, {4, 5}},
      {"next", 1, S_FALSE, {}},  {"skip", 1, S_FALSE, {}}, {"reset", 0, S_OK, {}},
      {"skip", 9, S_FALSE, {}},  {"reset", 0, S_OK, {}},   {"next", 0, S_OK, {}},
      {"next", 1, S_OK, {1}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.op) + " " + std::to_string(s.count));
    if (std::string(s.op) == "skip") {
      EXPECT_EQ(e->Skip(s.count), s.hr);
    } else if (std::string(s.op) == "reset") {
      EXPECT_EQ(e->Reset(), s.hr);
    } else {
      VARIANT items[5];
      ULONG fetched = 99;
      EXPECT_EQ(e->Next(s.count, items, &fetched), s.hr);
      ASSERT_EQ(fetched, s.got.size());
      for (ULONG i = 0; i < fetched; ++i) {
        EXPECT_EQ(items[i].vt, VT_I4);
        EXPECT_EQ(items[i].lVal, s.got[i]);
        VariantClear(&items[i]);
      }
    }
  }
  // A clone starts where the original is and moves on its own.
  Ref<IEnumVARIANT> clone;
  ASSERT_EQ(e->Clone(clone.Out()), S_OK);
  Variant a, b;
  ASSERT_EQ(clone->Next(1, a.Out(), nullptr), S_OK);
  EXPECT_EQ(a.Get().lVal, 2);
  ASSERT_EQ(e->Next(1, b.Out(), nullptr), S_OK);
  EXPECT_EQ(b.Get().lVal, 2);
  // More than one item needs a fetched count.
  VARIANT two[2];
  EXPECT_EQ(e->Next(2, two, nullptr), E_POINTER);
}

// An enumerator that misbehaves the way a faulty collection may.
class Faulty final : public com::ComObject<IEnumVARIANT> {
 public:
  Faulty(IUnknown* outer, HRESULT answer, ULONG fetched)
      : ComObject(outer), answer_(answer), fetched_(fetched) {}
  HRESULT Next(ULONG, VARIANT* items, ULONG* fetched) override {
    VariantInit(items);
    if (fetched) *fetched = fetched_;
    return answer_;
  }
  HRESULT Skip(ULONG) override { return S_OK; }
  HRESULT Reset() override { return S_OK; }
  HRESULT Clone(IEnumVARIANT** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }

 protected:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IEnumVARIANT ? Face<IEnumVARIANT>() : nullptr;
  }

 private:
  HRESULT answer_;
  ULONG fetched_;
};

TEST(ForEachItem, StopsOnAnythingButOneItemWithSOkAndAtTheCap) {
  struct Case {
    const char* what;
    HRESULT answer;
    ULONG fetched;
    std::size_t expected;
  };
  const Case cases[] = {
      {"S_FALSE that claims an item", S_FALSE, 1, 0},
      {"failure that claims an item", E_FAIL, 1, 0},
      {"S_OK with no item", S_OK, 0, 0},
      {"endless S_OK stops at the cap", S_OK, 1, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto e = com::Create<Faulty, IEnumVARIANT>(IID_IEnumVARIANT, c.answer, c.fetched);
    EXPECT_EQ(com::ForEachItem(
                  e.get(), [](const VARIANT&) { return true; }, 7),
              c.expected);
  }
  auto e = Numbers(4);
  std::vector<LONG> seen;
  EXPECT_EQ(com::ForEachItem(e.get(),
                             [&](const VARIANT& v) {
                               seen.push_back(v.lVal);
                               return v.lVal < 3;
                             }),
            3u);
  EXPECT_EQ(seen, (std::vector<LONG>{1, 2, 3}));
  EXPECT_EQ(com::ForEachItem(nullptr, [](const VARIANT&) { return true; }), 0u);
}

using Sink = comtest::RecordingSink;

// A container with one property-change point.
class Control final : public com::ComObject<IConnectionPointContainer> {
 public:
  explicit Control(IUnknown* outer) : ComObject(outer) { points.Add(IID_IPropertyNotifySink); }
  HRESULT EnumConnectionPoints(void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    return points.FindConnectionPoint(iid, out);
  }
  com::ConnectionPoints points{this};

 protected:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IConnectionPointContainer ? Face<IConnectionPointContainer>() : nullptr;
  }
};

TEST(ConnectionPoint, AdviseUnadviseWithCookiesAndNotify) {
  auto control = com::Create<Control, IConnectionPointContainer>(IID_IConnectionPointContainer);
  Ref<IConnectionPoint> point;
  ASSERT_EQ(control->FindConnectionPoint(IID_IPropertyNotifySink, point.Out()), S_OK);
  Ref<IConnectionPoint> none;
  EXPECT_EQ(control->FindConnectionPoint(IID_IDispatch, none.Out()), CONNECT_E_NOCONNECTION);
  com::ConnectionPoints& points = static_cast<Control*>(control.get())->points;
  IID iid{};
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, IID_IPropertyNotifySink);
  Ref<IConnectionPointContainer> back;
  EXPECT_EQ(point->GetConnectionPointContainer(back.Out()), S_OK);
  EXPECT_EQ(back.get(), control.get());

  auto first = com::Create<Sink, IPropertyNotifySink>(IID_IPropertyNotifySink, S_OK);
  auto second = com::Create<Sink, IPropertyNotifySink>(IID_IPropertyNotifySink, S_FALSE);
  DWORD c1 = 0, c2 = 0;
  ASSERT_EQ(point->Advise(first.get(), &c1), S_OK);
  ASSERT_EQ(point->Advise(second.get(), &c2), S_OK);
  EXPECT_NE(c1, 0u);
  EXPECT_NE(c1, c2);
  EXPECT_EQ(static_cast<Sink*>(first.get())->RefCount(), 2u);  // the point holds one

  // A sink without the interface cannot connect.
  auto notASink = Numbers(1);
  DWORD c3 = 7;
  EXPECT_EQ(point->Advise(notASink.get(), &c3), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(c3, 0u);

  points.NotifyChanged(12);
  EXPECT_EQ(points.RequestEdit(12), S_FALSE);  // the second sink refuses
  EXPECT_EQ(point->Unadvise(c2), S_OK);
  EXPECT_EQ(point->Unadvise(c2), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(0), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(static_cast<Sink*>(second.get())->RefCount(), 1u);
  points.NotifyChanged(13);
  EXPECT_EQ(points.RequestEdit(13), S_OK);
  EXPECT_EQ(static_cast<Sink*>(first.get())->changed, (std::vector<DISPID>{12, 13}));
  EXPECT_EQ(static_cast<Sink*>(second.get())->changed, (std::vector<DISPID>{12}));

  // Cookies are not reused after an unadvise.
  DWORD c4 = 0;
  ASSERT_EQ(point->Advise(second.get(), &c4), S_OK);
  EXPECT_NE(c4, c1);
  EXPECT_NE(c4, c2);

  // A point that outlives its container answers no container.
  back = {};
  control = {};
  EXPECT_EQ(point->GetConnectionPointContainer(back.Out()), E_UNEXPECTED);
  EXPECT_EQ(point->Unadvise(c1), S_OK);
}

}  // namespace
