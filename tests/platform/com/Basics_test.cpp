#include <gtest/gtest.h>

#include "platform/com/Interfaces.h"
#include "platform/com/Memory.h"
#include "platform/com/PageSite.h"
#include "platform/com/Types.h"

namespace {

TEST(Guid, ParsesOnlyTheBracedFormAndFormatsInCapitals) {
  struct Case {
    const char* text;
    bool ok;
  };
  const Case cases[] = {
      {"{0DD0BF1B-2263-4E58-9C1D-A354A259D3FB}", true},
      {"{0dd0bf1b-2263-4e58-9c1d-a354a259d3fb}", true},
      {"0DD0BF1B-2263-4E58-9C1D-A354A259D3FB", false},
      {"{0DD0BF1B-2263-4E58-9C1D-A354A259D3F}", false},
      {"{0DD0BF1B-2263-4E58-9C1DA-354A259D3FB}", false},
      {"{0DD0BF1B-2263-4E58-9C1D-A354A259D3FG}", false},
      {"{0DD0BF1B+2263-4E58-9C1D-A354A259D3FB}", false},
      {"", false},
  };
  for (const Case& c : cases) {
    const auto g = com::ParseGuid(c.text);
    ASSERT_EQ(g.has_value(), c.ok) << c.text;
    if (g) {
      EXPECT_EQ(com::FormatGuid(*g), "{0DD0BF1B-2263-4E58-9C1D-A354A259D3FB}");
    }
  }
  constexpr GUID literal = com::MakeGuid("0DD0BF1B-2263-4E58-9C1D-A354A259D3FB");
  EXPECT_EQ(com::ParseGuid("{0DD0BF1B-2263-4E58-9C1D-A354A259D3FB}"), literal);
  EXPECT_EQ(literal.Data4[7], 0xFB);
  EXPECT_EQ(com::FormatGuid(IID_IPropertyNotifySink), "{9BFBBC02-EFF1-101A-84ED-00AA00341D07}");
}

TEST(Bstr, KeepsLengthEmbeddedNulsAndTerminator) {
  BSTR s = SysAllocStringLen(u"a\0bc", 4);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 4u);
  EXPECT_EQ(SysStringByteLen(s), 8u);
  EXPECT_EQ(s[4], u'\0');
  EXPECT_EQ(com::ToQString(s), QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("bc"));
  EXPECT_TRUE(SysReAllocString(&s, u"xyz"));
  EXPECT_EQ(com::View(s), u"xyz");
  SysFreeString(s);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  // A length whose byte count cannot be stored is refused, not wrapped.
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
  BSTR zeros = SysAllocStringLen(nullptr, 3);
  ASSERT_NE(zeros, nullptr);
  EXPECT_EQ(com::View(zeros), std::u16string_view(u"\0\0\0", 3));
  SysFreeString(zeros);

  BSTR q = com::AllocBstr(QStringLiteral("Gr\u00fc\u00dfe"));
  EXPECT_EQ(com::ToQString(q), QStringLiteral("Gr\u00fc\u00dfe"));
  SysFreeString(q);
}

TEST(Hresult, SuccessAndFailureFollowTheSignBit) {
  EXPECT_TRUE(SUCCEEDED(S_OK));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
  EXPECT_TRUE(FAILED(E_FAIL));
  EXPECT_TRUE(FAILED(CLASS_E_CLASSNOTAVAILABLE));
  EXPECT_EQ(static_cast<std::uint32_t>(E_INVALIDARG), 0x80070057u);
}

TEST(TaskString, CopiesTheTextWithItsTerminatorIntoTaskMemory) {
  for (const QString& text :
       {QString(), QStringLiteral("Groups/Lists"), QStringLiteral("\u00c4rger")}) {
    LPOLESTR copy = com::AllocTaskString(text);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(QString::fromUtf16(copy), text);
    EXPECT_EQ(copy[text.size()], u'\0');
    CoTaskMemFree(copy);
  }
}

TEST(FakePageSite, RecordsStatusAndKeysAndAnswersItsLocale) {
  auto site = com::Create<com::FakePageSite, IPropertyPageSite>(IID_IPropertyPageSite, 0x0407);
  LCID lcid = 0;
  EXPECT_EQ(site->GetLocaleID(&lcid), S_OK);
  EXPECT_EQ(lcid, 0x0407u);
  EXPECT_EQ(site->OnStatusChange(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE), S_OK);
  MSG key{nullptr, WM_KEYDOWN, VK_F1, 0};
  EXPECT_EQ(site->TranslateAccelerator(&key), S_FALSE);
  IUnknown* container = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(site->GetPageContainer(&container), E_NOTIMPL);
  EXPECT_EQ(container, nullptr);
  auto* fake = static_cast<com::FakePageSite*>(site.get());
  EXPECT_EQ(fake->statusChanges,
            (std::vector<DWORD>{PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE}));
  EXPECT_EQ(fake->keys, (std::vector<WPARAM>{VK_F1}));
}

TEST(Guarded, NoExceptionLeavesAnEntryPoint) {
  struct Case {
    const char* what;
    HRESULT (*body)();
    HRESULT hr;
  };
  const Case cases[] = {
      {"a result passes", [] { return S_FALSE; }, S_FALSE},
      {"out of memory", []() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY},
      {"anything else", []() -> HRESULT { throw 42; }, E_UNEXPECTED},
  };
  for (const Case& c : cases) EXPECT_EQ(com::Guarded(c.body), c.hr) << c.what;
}

}  // namespace
