#include "platform/com/TypeInfo.h"

#include <deque>

namespace com {

namespace {

struct MemberText {
  QString name;
  std::vector<QString> params;
  Documentation doc;
};

struct TypeData {
  TYPEATTR attr{};
  QString name;
  Documentation doc;
  std::vector<HREFTYPE> impl;
  std::vector<FUNCDESC> funcs;
  std::vector<MemberText> funcText;
  std::vector<VARDESC> vars;
  std::vector<MemberText> varText;
};

// A built library. Filled once in place, then read only: every descriptor points into
// the deques below, whose elements never move.
struct LibData {
  TLIBATTR attr{};
  QString name;
  Documentation doc;
  std::vector<TypeData> types;
  std::deque<TYPEDESC> typeDescs;
  std::deque<std::vector<ELEMDESC>> params;
  std::deque<Variant> constants;
};

using Lib = std::shared_ptr<const LibData>;

void Put(BSTR* out, const QString& text) {
  if (out) *out = AllocBstr(text);
}

// Fills the asked-for parts of a documentation; without a help file of its own an item
// has the library's.
void Document(const QString& itemName, const Documentation& d, const LibData& lib, BSTR* name,
              BSTR* doc, DWORD* helpContext, BSTR* helpFile) {
  Put(name, itemName);
  Put(doc, d.doc);
  if (helpContext) *helpContext = d.helpContext;
  Put(helpFile, d.helpFile.isEmpty() ? lib.doc.helpFile : d.helpFile);
}

const MemberText* FindMember(const TypeData& t, MEMBERID id) {
  for (std::size_t i = 0; i < t.funcs.size(); ++i)
    if (t.funcs[i].memid == id) return &t.funcText[i];
  for (std::size_t i = 0; i < t.vars.size(); ++i)
    if (t.vars[i].memid == id) return &t.varText[i];
  return nullptr;
}

class TypeLib;

class TypeInfo final : public ComObject<ITypeInfo> {
 public:
  TypeInfo(IUnknown* outer, Lib lib, UINT index)
      : ComObject(outer), lib_(std::move(lib)), index_(index), t_(lib_->types[index]) {}

  HRESULT GetTypeAttr(TYPEATTR** out) override {
    if (!out) return E_POINTER;
    *out = const_cast<TYPEATTR*>(&t_.attr);
    return S_OK;
  }
  HRESULT GetFuncDesc(UINT index, FUNCDESC** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index >= t_.funcs.size()) return TYPE_E_ELEMENTNOTFOUND;
    *out = const_cast<FUNCDESC*>(&t_.funcs[index]);
    return S_OK;
  }
  HRESULT GetVarDesc(UINT index, VARDESC** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index >= t_.vars.size()) return TYPE_E_ELEMENTNOTFOUND;
    *out = const_cast<VARDESC*>(&t_.vars[index]);
    return S_OK;
  }
  HRESULT GetNames(MEMBERID id, BSTR* names, UINT max, UINT* count) override {
    if (!count || (max && !names)) return E_POINTER;
    *count = 0;
    const MemberText* m = FindMember(t_, id);
    if (!m) return TYPE_E_ELEMENTNOTFOUND;
    for (UINT i = 0; i < max && i <= m->params.size(); ++i)
      names[(*count)++] = AllocBstr(i == 0 ? m->name : m->params[i - 1]);
    return S_OK;
  }
  HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* out) override {
    if (!out) return E_POINTER;
    if (index >= t_.impl.size()) return TYPE_E_ELEMENTNOTFOUND;
    *out = t_.impl[index];
    return S_OK;
  }
  HRESULT GetImplTypeFlags(UINT index, INT* flags) override {
    if (!flags) return E_POINTER;
    *flags = 0;
    return index < t_.impl.size() ? S_OK : TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
    return Guarded([&] { return IdsOfNames(names, count, ids); });
  }
  HRESULT IdsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) const {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return E_INVALIDARG;
    const MemberText* found = nullptr;
    HRESULT hr = S_OK;
    ids[0] = DISPID_UNKNOWN;
    auto same = [](const QString& a, LPOLESTR b) {
      return b && a.compare(QString::fromUtf16(b), Qt::CaseInsensitive) == 0;
    };
    for (std::size_t i = 0; i < t_.funcs.size() && !found; ++i)
      if (same(t_.funcText[i].name, names[0])) found = &t_.funcText[i], ids[0] = t_.funcs[i].memid;
    for (std::size_t i = 0; i < t_.vars.size() && !found; ++i)
      if (same(t_.varText[i].name, names[0])) found = &t_.varText[i], ids[0] = t_.vars[i].memid;
    if (!found) hr = DISP_E_UNKNOWNNAME;
    for (UINT n = 1; n < count; ++n) {
      ids[n] = DISPID_UNKNOWN;
      if (found)
        for (std::size_t p = 0; p < found->params.size(); ++p)
          if (same(found->params[p], names[n])) ids[n] = static_cast<DISPID>(p);
      if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* helpContext,
                           BSTR* helpFile) override {
    if (id == MEMBERID_NIL) {
      Document(t_.name, t_.doc, *lib_, name, doc, helpContext, helpFile);
      return S_OK;
    }
    const MemberText* m = FindMember(t_, id);
    if (!m) return TYPE_E_ELEMENTNOTFOUND;
    Document(m->name, m->doc, *lib_, name, doc, helpContext, helpFile);
    return S_OK;
  }
  HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (ref >= lib_->types.size()) return E_INVALIDARG;
    return CreateAs<TypeInfo>(nullptr, IID_ITypeInfo, reinterpret_cast<void**>(out), lib_, ref);
  }
  HRESULT GetContainingTypeLib(ITypeLib** out, UINT* index) override;
  void ReleaseTypeAttr(TYPEATTR*) override {}
  void ReleaseFuncDesc(FUNCDESC*) override {}
  void ReleaseVarDesc(VARDESC*) override {}

 protected:
  void* FindInterface(REFIID iid) override {
    return iid == IID_ITypeInfo ? Face<ITypeInfo>() : nullptr;
  }

 private:
  Lib lib_;
  UINT index_;
  const TypeData& t_;
};

class TypeLib final : public ComObject<ITypeLib> {
 public:
  TypeLib(IUnknown* outer, Lib lib) : ComObject(outer), lib_(std::move(lib)) {}

  UINT GetTypeInfoCount() override { return static_cast<UINT>(lib_->types.size()); }
  HRESULT GetTypeInfo(UINT index, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index >= lib_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
    return CreateAs<TypeInfo>(nullptr, IID_ITypeInfo, reinterpret_cast<void**>(out), lib_, index);
  }
  HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) override {
    if (!kind) return E_POINTER;
    if (index >= lib_->types.size()) return TYPE_E_ELEMENTNOTFOUND;
    *kind = lib_->types[index].attr.typekind;
    return S_OK;
  }
  HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (UINT i = 0; i < lib_->types.size(); ++i)
      if (lib_->types[i].attr.guid == guid) return GetTypeInfo(i, out);
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT GetLibAttr(TLIBATTR** out) override {
    if (!out) return E_POINTER;
    *out = const_cast<TLIBATTR*>(&lib_->attr);
    return S_OK;
  }
  HRESULT GetDocumentation(INT index, BSTR* name, BSTR* doc, DWORD* helpContext,
                           BSTR* helpFile) override {
    if (index < -1 || index >= static_cast<INT>(lib_->types.size())) return TYPE_E_ELEMENTNOTFOUND;
    if (index < 0)
      Document(lib_->name, lib_->doc, *lib_, name, doc, helpContext, helpFile);
    else
      Document(lib_->types[index].name, lib_->types[index].doc, *lib_, name, doc, helpContext,
               helpFile);
    return S_OK;
  }
  void ReleaseTLibAttr(TLIBATTR*) override {}

 protected:
  void* FindInterface(REFIID iid) override {
    return iid == IID_ITypeLib ? Face<ITypeLib>() : nullptr;
  }

 private:
  Lib lib_;
};

HRESULT TypeInfo::GetContainingTypeLib(ITypeLib** out, UINT* index) {
  if (!out) return E_POINTER;
  if (index) *index = index_;
  return CreateAs<TypeLib>(nullptr, IID_ITypeLib, reinterpret_cast<void**>(out), lib_);
}

}  // namespace

TypeBuilder& TypeBuilder::Doc(const Documentation& doc) {
  doc_ = doc;
  return *this;
}

TypeBuilder& TypeBuilder::Implements(const QString& typeName) {
  implements_.push_back(typeName);
  return *this;
}

TypeBuilder& TypeBuilder::Property(DISPID id, const QString& name, const TypeRef& type,
                                   bool readOnly, WORD flags, const Documentation& doc) {
  Member m;
  m.isVar = true;
  m.id = id;
  m.name = name;
  m.type = type;
  m.flags = static_cast<WORD>(flags | (readOnly ? VARFLAG_FREADONLY : 0));
  m.doc = doc;
  members_.push_back(std::move(m));
  return *this;
}

TypeBuilder& TypeBuilder::Function(DISPID id, const QString& name, INVOKEKIND kind,
                                   const TypeRef& result, std::vector<Param> params, WORD flags,
                                   const Documentation& doc) {
  Member m;
  m.id = id;
  m.name = name;
  m.kind = kind;
  m.type = result;
  m.params = std::move(params);
  m.flags = flags;
  m.doc = doc;
  members_.push_back(std::move(m));
  return *this;
}

TypeBuilder& TypeBuilder::Constant(const QString& name, LONG value, const Documentation& doc) {
  Member m;
  m.isVar = true;
  m.id = static_cast<MEMBERID>(members_.size());
  m.name = name;
  m.type = TypeRef(VT_I4);
  m.varKind = VAR_CONST;
  m.constant = value;
  m.doc = doc;
  members_.push_back(std::move(m));
  return *this;
}

TypeBuilder& TypeBuilder::AliasOf(const TypeRef& type) {
  alias_ = type;
  return *this;
}

TypeLibBuilder::TypeLibBuilder(REFGUID libid, const QString& name, WORD major, WORD minor)
    : libid_(libid), name_(name), major_(major), minor_(minor) {}

TypeLibBuilder& TypeLibBuilder::Doc(const Documentation& doc) {
  doc_ = doc;
  return *this;
}

TypeBuilder& TypeLibBuilder::AddType(TYPEKIND kind, REFGUID guid, const QString& name) {
  TypeBuilder& t = types_.emplace_back();
  t.kind_ = kind;
  t.guid_ = guid;
  t.name_ = name;
  return t;
}

HRESULT TypeLibBuilder::Build(ITypeLib** out) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  return Guarded([&]() -> HRESULT {
    auto lib = std::make_shared<LibData>();
    lib->attr.guid = libid_;
    lib->attr.syskind = SYS_WIN32;
    lib->attr.wMajorVerNum = major_;
    lib->attr.wMinorVerNum = minor_;
    lib->name = name_;
    lib->doc = doc_;

    auto indexOf = [&](const QString& name) -> std::optional<HREFTYPE> {
      for (std::size_t i = 0; i < types_.size(); ++i)
        if (types_[i].name_ == name) return static_cast<HREFTYPE>(i);
      return std::nullopt;
    };
    // Fills a type descriptor; false when a named type is missing.
    auto describe = [&](const TypeRef& ref, TYPEDESC& desc) {
      TYPEDESC* at = &desc;
      for (int p = 0; p < ref.pointers; ++p) {
        at->vt = VT_PTR;
        at->lptdesc = &lib->typeDescs.emplace_back();
        at = at->lptdesc;
      }
      at->vt = ref.vt;
      if (ref.vt != VT_USERDEFINED) return true;
      const auto index = indexOf(ref.userType);
      if (index) at->hreftype = *index;
      return index.has_value();
    };

    for (const TypeBuilder& b : types_) {
      TypeData& t = lib->types.emplace_back();
      t.name = b.name_;
      t.doc = b.doc_;
      t.attr.guid = b.guid_;
      t.attr.typekind = b.kind_;
      t.attr.memidConstructor = MEMBERID_NIL;
      t.attr.memidDestructor = MEMBERID_NIL;
      t.attr.wMajorVerNum = major_;
      t.attr.wMinorVerNum = minor_;
      if (b.kind_ == TKIND_ALIAS && !describe(b.alias_, t.attr.tdescAlias)) return E_INVALIDARG;
      for (const QString& base : b.implements_) {
        const auto index = indexOf(base);
        if (!index) return E_INVALIDARG;
        t.impl.push_back(*index);
      }
      for (const TypeBuilder::Member& m : b.members_) {
        MemberText text{m.name, {}, m.doc};
        if (m.isVar) {
          VARDESC v{};
          v.memid = m.id;
          v.varkind = m.varKind;
          v.wVarFlags = m.flags;
          if (!describe(m.type, v.elemdescVar.tdesc)) return E_INVALIDARG;
          if (m.varKind == VAR_CONST)
            v.lpvarValue = lib->constants.emplace_back(Variant::I4(m.constant)).Ptr();
          t.vars.push_back(v);
          t.varText.push_back(std::move(text));
          continue;
        }
        FUNCDESC f{};
        f.memid = m.id;
        f.funckind = b.kind_ == TKIND_DISPATCH ? FUNC_DISPATCH : FUNC_PUREVIRTUAL;
        f.invkind = m.kind;
        f.callconv = CC_STDCALL;
        f.wFuncFlags = m.flags;
        if (!describe(m.type, f.elemdescFunc.tdesc)) return E_INVALIDARG;
        auto& params = lib->params.emplace_back(m.params.size());
        for (std::size_t p = 0; p < m.params.size(); ++p) {
          if (!describe(m.params[p].type, params[p].tdesc)) return E_INVALIDARG;
          params[p].paramdesc.wParamFlags =
              static_cast<USHORT>(PARAMFLAG_FIN | (m.params[p].optional ? PARAMFLAG_FOPT : 0));
          if (m.params[p].optional) ++f.cParamsOpt;
          text.params.push_back(m.params[p].name);
        }
        f.cParams = static_cast<SHORT>(m.params.size());
        f.lprgelemdescParam = params.empty() ? nullptr : params.data();
        t.funcs.push_back(f);
        t.funcText.push_back(std::move(text));
      }
      t.attr.cFuncs = static_cast<WORD>(t.funcs.size());
      t.attr.cVars = static_cast<WORD>(t.vars.size());
      t.attr.cImplTypes = static_cast<WORD>(t.impl.size());
    }
    return CreateAs<TypeLib>(nullptr, IID_ITypeLib, reinterpret_cast<void**>(out), Lib(lib));
  });
}

Ref<ITypeInfo> FindTypeInfo(ITypeLib* library, const QString& name) {
  Ref<ITypeInfo> out;
  if (!library) return out;
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    BSTR n = nullptr;
    if (SUCCEEDED(library->GetDocumentation(static_cast<INT>(i), &n, nullptr, nullptr, nullptr)) &&
        ToQString(n) == name)
      library->GetTypeInfo(i, out.Out());
    SysFreeString(n);
    if (out) break;
  }
  return out;
}

}  // namespace com
