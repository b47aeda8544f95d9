#include "platform/com/Dispatch.h"

#include <gtest/gtest.h>

namespace {

using com::Param;
using com::Ref;
using com::TypeRef;
using com::Variant;

constexpr GUID kLib = com::MakeGuid("11111111-2222-3333-4444-555555555555");
constexpr GUID kIface = com::MakeGuid("85268BE6-F11A-41FF-A979-DF23B8475751");

Ref<ITypeLib> BuildLibrary() {
  com::TypeLibBuilder b(kLib, QStringLiteral("Sample"), 1, 0);
  b.Doc({QStringLiteral("Sample library"), 0, QStringLiteral("sample.hlp")});
  b.AddType(TKIND_ALIAS, GUID_NULL, QStringLiteral("OLE_COLOR")).AliasOf(VT_UI4);
  b.AddType(TKIND_ENUM, GUID_NULL, QStringLiteral("Appearance"))
      .Constant(QStringLiteral("Flat"), 0)
      .Constant(QStringLiteral("ThreeD"), 1);
  b.AddType(TKIND_DISPATCH, kIface, QStringLiteral("_ListBar"))
      .Doc({QStringLiteral("List bar"), 7, {}})
      .Property(1, QStringLiteral("Caption"), VT_BSTR, false, 0,
                {QStringLiteral("The caption"), 12, {}})
      .Property(2, QStringLiteral("BackColor"), TypeRef::User(QStringLiteral("OLE_COLOR")))
      .Property(3, QStringLiteral("Hidden"), VT_I4, true, VARFLAG_FHIDDEN)
      .Function(4, QStringLiteral("Count"), INVOKE_PROPERTYGET, VT_I4)
      .Function(5, QStringLiteral("Add"), INVOKE_FUNC, VT_I4,
                {Param{QStringLiteral("Index"), VT_I2, true}, Param{QStringLiteral("Key"), VT_BSTR},
                 Param{QStringLiteral("Look"), TypeRef::User(QStringLiteral("Appearance")).Ptr()}});
  Ref<ITypeLib> lib;
  EXPECT_EQ(b.Build(lib.Out()), S_OK);
  return lib;
}

TEST(TypeLibBuilder, DescribesMembersTypesAndDocumentation) {
  auto lib = BuildLibrary();
  ASSERT_TRUE(lib);
  EXPECT_EQ(lib->GetTypeInfoCount(), 3u);
  TLIBATTR* la = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&la), S_OK);
  EXPECT_EQ(la->guid, kLib);
  EXPECT_EQ(la->wMajorVerNum, 1);

  Ref<ITypeInfo> info;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(kIface, info.Out()), S_OK);
  TYPEATTR* ta = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&ta), S_OK);
  EXPECT_EQ(ta->typekind, TKIND_DISPATCH);
  EXPECT_EQ(ta->cVars, 3);
  EXPECT_EQ(ta->cFuncs, 2);

  VARDESC* v = nullptr;
  ASSERT_EQ(info->GetVarDesc(1, &v), S_OK);
  EXPECT_EQ(v->memid, 2);
  ASSERT_EQ(v->elemdescVar.tdesc.vt, VT_USERDEFINED);
  Ref<ITypeInfo> alias;
  ASSERT_EQ(info->GetRefTypeInfo(v->elemdescVar.tdesc.hreftype, alias.Out()), S_OK);
  TYPEATTR* aa = nullptr;
  ASSERT_EQ(alias->GetTypeAttr(&aa), S_OK);
  EXPECT_EQ(aa->typekind, TKIND_ALIAS);
  EXPECT_EQ(aa->tdescAlias.vt, VT_UI4);
  BSTR name = nullptr;
  ASSERT_EQ(alias->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(com::ToQString(name), QStringLiteral("OLE_COLOR"));
  SysFreeString(name);
  ASSERT_EQ(info->GetVarDesc(2, &v), S_OK);
  EXPECT_EQ(v->wVarFlags, VARFLAG_FHIDDEN | VARFLAG_FREADONLY);
  EXPECT_EQ(info->GetVarDesc(3, &v), TYPE_E_ELEMENTNOTFOUND);

  FUNCDESC* f = nullptr;
  ASSERT_EQ(info->GetFuncDesc(1, &f), S_OK);
  EXPECT_EQ(f->invkind, INVOKE_FUNC);
  EXPECT_EQ(f->cParams, 3);
  EXPECT_EQ(f->cParamsOpt, 1);
  EXPECT_EQ(f->lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOPT);
  ASSERT_EQ(f->lprgelemdescParam[2].tdesc.vt, VT_PTR);
  EXPECT_EQ(f->lprgelemdescParam[2].tdesc.lptdesc->vt, VT_USERDEFINED);
  Ref<ITypeInfo> look;
  ASSERT_EQ(info->GetRefTypeInfo(f->lprgelemdescParam[2].tdesc.lptdesc->hreftype, look.Out()),
            S_OK);
  VARDESC* c = nullptr;
  ASSERT_EQ(look->GetVarDesc(1, &c), S_OK);
  EXPECT_EQ(c->varkind, VAR_CONST);
  EXPECT_EQ(c->lpvarValue->lVal, 1);

  // Documentation: the member's, the type's, and the library's help file for both.
  BSTR doc = nullptr, file = nullptr;
  DWORD context = 0;
  ASSERT_EQ(info->GetDocumentation(1, &name, &doc, &context, &file), S_OK);
  EXPECT_EQ(com::ToQString(name), QStringLiteral("Caption"));
  EXPECT_EQ(com::ToQString(doc), QStringLiteral("The caption"));
  EXPECT_EQ(context, 12u);
  EXPECT_EQ(com::ToQString(file), QStringLiteral("sample.hlp"));
  for (BSTR* b : {&name, &doc, &file}) SysFreeString(*b);
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, &context, &file), S_OK);
  EXPECT_EQ(com::ToQString(name), QStringLiteral("_ListBar"));
  EXPECT_EQ(context, 7u);
  EXPECT_EQ(com::ToQString(file), QStringLiteral("sample.hlp"));
  for (BSTR* b : {&name, &file}) SysFreeString(*b);
  EXPECT_EQ(info->GetDocumentation(99, &name, nullptr, nullptr, nullptr), TYPE_E_ELEMENTNOTFOUND);

  BSTR names[4] = {};
  UINT count = 0;
  ASSERT_EQ(info->GetNames(5, names, 4, &count), S_OK);
  ASSERT_EQ(count, 4u);
  EXPECT_EQ(com::ToQString(names[2]), QStringLiteral("Key"));
  for (BSTR b : names) SysFreeString(b);

  Ref<ITypeLib> back;
  UINT index = 9;
  ASSERT_EQ(info->GetContainingTypeLib(back.Out(), &index), S_OK);
  EXPECT_EQ(index, 2u);
  EXPECT_TRUE(com::FindTypeInfo(lib.get(), QStringLiteral("Appearance")));
  EXPECT_FALSE(com::FindTypeInfo(lib.get(), QStringLiteral("appearance")));
}

TEST(TypeLibBuilder, RefusesReferencesToMissingTypes) {
  com::TypeLibBuilder b(kLib, QStringLiteral("Broken"), 1, 0);
  b.AddType(TKIND_DISPATCH, kIface, QStringLiteral("_X"))
      .Property(1, QStringLiteral("Font"), TypeRef::User(QStringLiteral("IFontDisp")));
  Ref<ITypeLib> lib;
  EXPECT_EQ(b.Build(lib.Out()), E_INVALIDARG);
  EXPECT_FALSE(lib);
}

// A small automation object: Caption (get/put), Count (get), Add (method).
class Sample final : public com::ComObject<IDispatch> {
 public:
  explicit Sample(IUnknown* outer, Ref<ITypeInfo> info) : ComObject(outer), dispatcher_(info) {
    dispatcher_.Getter(1, [this] { return Variant::Text(caption); });
    dispatcher_.Putter(1, [this](const VARIANT& v) {
      Variant text;
      const HRESULT hr = VariantChangeType(text.Ptr(), &v, 0, VT_BSTR);
      if (SUCCEEDED(hr)) caption = text.ToString();
      return hr;
    });
    dispatcher_.Getter(4, [this] { return Variant::I4(static_cast<LONG>(added.size())); });
    dispatcher_.On(5, INVOKE_FUNC, [this](com::Invocation& call) {
      if (call.args[1].vt != VT_BSTR) return E_UNEXPECTED;
      if (com::View(call.args[1].bstrVal).empty()) {
        call.error = QStringLiteral("Key must not be empty");
        return E_INVALIDARG;
      }
      added.push_back(call.args[0].vt == VT_ERROR ? -1 : call.args[0].iVal);
      *call.result = Variant::I4(static_cast<LONG>(added.size())).Detach();
      return S_OK;
    });
  }
  STOVREL_COM_FORWARD_DISPATCH
  QString caption;
  std::vector<int> added;

 protected:
  void* FindInterface(REFIID iid) override {
    return iid == IID_IDispatch ? Face<IDispatch>() : nullptr;
  }

 private:
  com::Dispatcher dispatcher_;
};

TEST(Dispatcher, InvokesGetPutAndMethodsByTheRules) {
  auto lib = BuildLibrary();
  auto object = com::Create<Sample, IDispatch>(
      IID_IDispatch, com::FindTypeInfo(lib.get(), QStringLiteral("_ListBar")));
  auto* sample = static_cast<Sample*>(object.get());
  ASSERT_TRUE(object);
  EXPECT_EQ(com::IdOfName(object.get(), QStringLiteral("caption")), 1);
  EXPECT_EQ(com::IdOfName(object.get(), QStringLiteral("Nope")), DISPID_UNKNOWN);

  EXPECT_EQ(com::PutProperty(object.get(), 1, Variant::I4(42)), S_OK);
  EXPECT_EQ(sample->caption, QStringLiteral("42"));
  Variant value;
  EXPECT_EQ(com::GetProperty(object.get(), 1, value), S_OK);
  EXPECT_EQ(value.ToString(), QStringLiteral("42"));

  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<Variant> args;
    bool named;
    HRESULT hr;
  };
  const Case cases[] = {
      {"put without the named argument",
       1,
       DISPATCH_PROPERTYPUT,
       {Variant::I4(1)},
       false,
       DISP_E_PARAMNOTFOUND},
      {"get of a read-only member's put",
       4,
       DISPATCH_PROPERTYPUT,
       {Variant::I4(1)},
       true,
       DISP_E_MEMBERNOTFOUND},
      {"unknown member", 77, DISPATCH_PROPERTYGET, {}, false, DISP_E_MEMBERNOTFOUND},
      {"get with an argument",
       4,
       DISPATCH_PROPERTYGET,
       {Variant::I4(1)},
       false,
       DISP_E_BADPARAMCOUNT},
      {"method with too few", 5, DISPATCH_METHOD, {Variant::I2(1)}, false, DISP_E_BADPARAMCOUNT},
      {"method with too many",
       5,
       DISPATCH_METHOD,
       {Variant::I2(1), Variant::Text(u"k"), Variant::I4(0), Variant::I4(0)},
       false,
       DISP_E_BADPARAMCOUNT},
      {"argument of the wrong type",
       5,
       DISPATCH_METHOD,
       {Variant::Text(u"x"), Variant::Text(u"k"), Variant::I4(0)},
       false,
       DISP_E_TYPEMISMATCH},
      {"method with an omitted optional",
       5,
       DISPATCH_METHOD,
       {Variant::Missing(), Variant::Text(u"k"), Variant::I4(0)},
       false,
       S_OK},
      {"method with a converted index",
       5,
       DISPATCH_METHOD | DISPATCH_PROPERTYGET,
       {Variant::Text(u"3"), Variant::I4(8), Variant::I4(0)},
       false,
       S_OK},
      {"method trailing optional left out",
       5,
       DISPATCH_METHOD,
       {Variant::I2(2), Variant::Text(u"k")},
       false,
       DISP_E_BADPARAMCOUNT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<VARIANT> reversed;
    for (auto it = c.args.rbegin(); it != c.args.rend(); ++it) reversed.push_back(it->Get());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS p{reversed.data(), c.named ? &named : nullptr, static_cast<UINT>(reversed.size()),
                 c.named ? 1u : 0u};
    Variant result;
    UINT argErr = 99;
    EXPECT_EQ(object->Invoke(c.id, GUID_NULL, 0, c.flags, &p, result.Out(), nullptr, &argErr),
              c.hr);
    if (c.hr == DISP_E_TYPEMISMATCH) {
      EXPECT_EQ(argErr, 2u);  // the first argument, last in rgvarg
    }
  }
  EXPECT_EQ(sample->added, (std::vector<int>{-1, 3}));
  Variant count;
  EXPECT_EQ(com::GetProperty(object.get(), 4, count), S_OK);
  EXPECT_EQ(count.Get().lVal, 2);

  // A handler's own failure arrives as an exception with its description.
  EXCEPINFO info;
  const Variant args[] = {Variant::I2(1), Variant::Text(u""), Variant::I4(0)};
  EXPECT_EQ(com::CallMember(object.get(), 5, DISPATCH_METHOD, args, nullptr, &info),
            DISP_E_EXCEPTION);
  EXPECT_EQ(info.scode, E_INVALIDARG);
  EXPECT_EQ(com::ToQString(info.bstrSource), QStringLiteral("_ListBar"));
  EXPECT_EQ(com::ToQString(info.bstrDescription), QStringLiteral("Key must not be empty"));
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);

  Ref<ITypeInfo> ti;
  EXPECT_EQ(object->GetTypeInfo(0, 0x400, ti.Out()), S_OK);
  EXPECT_EQ(object->GetTypeInfo(1, 0x400, ti.Out()), DISP_E_BADINDEX);
}

}  // namespace
