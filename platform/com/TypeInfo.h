#pragma once
// Type information: ITypeInfo and ITypeLib, and a builder that describes a library of
// interfaces, dispinterfaces, enumerations and aliases in code. A built library is
// immutable; its type-information objects keep it alive, and the descriptors they hand
// out (GetTypeAttr, GetFuncDesc, GetVarDesc, GetLibAttr) stay valid while the caller
// holds the object that gave them (the Release* calls free nothing). Type references
// (HREFTYPE) are positions in the library. UI thread only.

#include <QString>
#include <memory>
#include <vector>

#include "platform/com/Object.h"

using HREFTYPE = DWORD;

enum TYPEKIND : std::int32_t {
  TKIND_ENUM = 0,
  TKIND_RECORD = 1,
  TKIND_MODULE = 2,
  TKIND_INTERFACE = 3,
  TKIND_DISPATCH = 4,
  TKIND_COCLASS = 5,
  TKIND_ALIAS = 6,
  TKIND_UNION = 7,
};

enum INVOKEKIND : std::int32_t {
  INVOKE_FUNC = 1,
  INVOKE_PROPERTYGET = 2,
  INVOKE_PROPERTYPUT = 4,
  INVOKE_PROPERTYPUTREF = 8,
};

enum FUNCKIND : std::int32_t { FUNC_VIRTUAL = 0, FUNC_PUREVIRTUAL = 1, FUNC_DISPATCH = 4 };
enum VARKIND : std::int32_t {
  VAR_PERINSTANCE = 0,
  VAR_STATIC = 1,
  VAR_CONST = 2,
  VAR_DISPATCH = 3
};
enum CALLCONV : std::int32_t { CC_STDCALL = 4 };
enum SYSKIND : std::int32_t { SYS_WIN32 = 1 };

inline constexpr WORD FUNCFLAG_FRESTRICTED = 0x1;
inline constexpr WORD FUNCFLAG_FHIDDEN = 0x40;
inline constexpr WORD VARFLAG_FREADONLY = 0x1;
inline constexpr WORD VARFLAG_FHIDDEN = 0x40;
inline constexpr USHORT PARAMFLAG_FIN = 0x1;
inline constexpr USHORT PARAMFLAG_FOUT = 0x2;
inline constexpr USHORT PARAMFLAG_FRETVAL = 0x8;
inline constexpr USHORT PARAMFLAG_FOPT = 0x10;

struct TYPEDESC {
  union {
    TYPEDESC* lptdesc;  // VT_PTR: the pointed-to type
    HREFTYPE hreftype;  // VT_USERDEFINED: the referenced type
  };
  VARTYPE vt;
};

struct PARAMDESC {
  void* pparamdescex;
  USHORT wParamFlags;
};

struct ELEMDESC {
  TYPEDESC tdesc;
  PARAMDESC paramdesc;
};

struct FUNCDESC {
  MEMBERID memid;
  SCODE* lprgscode;
  ELEMDESC* lprgelemdescParam;
  FUNCKIND funckind;
  INVOKEKIND invkind;
  CALLCONV callconv;
  SHORT cParams;
  SHORT cParamsOpt;
  SHORT oVft;
  SHORT cScodes;
  ELEMDESC elemdescFunc;
  WORD wFuncFlags;
};

struct VARDESC {
  MEMBERID memid;
  LPOLESTR lpstrSchema;
  union {
    ULONG oInst;
    VARIANT* lpvarValue;  // VAR_CONST: the constant's value
  };
  ELEMDESC elemdescVar;
  WORD wVarFlags;
  VARKIND varkind;
};

struct TYPEATTR {
  GUID guid;
  LCID lcid;
  DWORD dwReserved;
  MEMBERID memidConstructor;
  MEMBERID memidDestructor;
  LPOLESTR lpstrSchema;
  ULONG cbSizeInstance;
  TYPEKIND typekind;
  WORD cFuncs;
  WORD cVars;
  WORD cImplTypes;
  WORD cbSizeVft;
  WORD cbAlignment;
  WORD wTypeFlags;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  TYPEDESC tdescAlias;  // TKIND_ALIAS: the aliased type
};

struct TLIBATTR {
  GUID guid;
  LCID lcid;
  SYSKIND syskind;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  WORD wLibFlags;
};

struct ITypeLib;

struct ITypeInfo : IUnknown {
  virtual HRESULT GetTypeAttr(TYPEATTR** out) = 0;
  virtual HRESULT GetFuncDesc(UINT index, FUNCDESC** out) = 0;
  virtual HRESULT GetVarDesc(UINT index, VARDESC** out) = 0;
  // The member's name, then its parameters' names.
  virtual HRESULT GetNames(MEMBERID id, BSTR* names, UINT max, UINT* count) = 0;
  virtual HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* out) = 0;
  virtual HRESULT GetImplTypeFlags(UINT index, INT* flags) = 0;
  // Names compared without regard to case; the first is a member, the rest its
  // parameters. DISP_E_UNKNOWNNAME (and DISPID_UNKNOWN) for any name not found.
  virtual HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) = 0;
  // MEMBERID_NIL documents the type itself. Any out pointer may be null.
  virtual HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* doc, DWORD* helpContext,
                                   BSTR* helpFile) = 0;
  virtual HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) = 0;
  virtual HRESULT GetContainingTypeLib(ITypeLib** out, UINT* index) = 0;
  virtual void ReleaseTypeAttr(TYPEATTR*) = 0;
  virtual void ReleaseFuncDesc(FUNCDESC*) = 0;
  virtual void ReleaseVarDesc(VARDESC*) = 0;

 protected:
  ~ITypeInfo() = default;
};

struct ITypeLib : IUnknown {
  virtual UINT GetTypeInfoCount() = 0;
  virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** out) = 0;
  virtual HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) = 0;
  virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** out) = 0;
  virtual HRESULT GetLibAttr(TLIBATTR** out) = 0;
  // index -1 documents the library itself.
  virtual HRESULT GetDocumentation(INT index, BSTR* name, BSTR* doc, DWORD* helpContext,
                                   BSTR* helpFile) = 0;
  virtual void ReleaseTLibAttr(TLIBATTR*) = 0;

 protected:
  ~ITypeLib() = default;
};

namespace com {

// A member or parameter type: a plain VARTYPE, a type of the library by name, or a
// pointer to either.
struct TypeRef {
  VARTYPE vt = VT_EMPTY;
  QString userType;  // VT_USERDEFINED: the name of a type in the same library
  int pointers = 0;

  TypeRef(VARTYPE type = VT_EMPTY) : vt(type) {}  // NOLINT: plain types read naturally
  static TypeRef User(const QString& name) {
    TypeRef t(VT_USERDEFINED);
    t.userType = name;
    return t;
  }
  TypeRef Ptr() const {
    TypeRef t = *this;
    ++t.pointers;
    return t;
  }
};

struct Param {
  QString name;
  TypeRef type;
  bool optional = false;
};

struct Documentation {
  QString doc;
  DWORD helpContext = 0;
  QString helpFile;
};

// One type being described. Member ids are the caller's; names must be unique within
// the type (not checked).
class TypeBuilder {
 public:
  // The type's own documentation.
  TypeBuilder& Doc(const Documentation& doc);
  // An implemented (base) interface, by name in the library.
  TypeBuilder& Implements(const QString& typeName);
  // A dispinterface property (a variable): readable, and writable unless readOnly.
  TypeBuilder& Property(DISPID id, const QString& name, const TypeRef& type, bool readOnly = false,
                        WORD flags = 0, const Documentation& doc = {});
  // A function: a property get (returns `type`), put (takes `type`) or method.
  TypeBuilder& Function(DISPID id, const QString& name, INVOKEKIND kind, const TypeRef& result,
                        std::vector<Param> params = {}, WORD flags = 0,
                        const Documentation& doc = {});
  // An enumeration constant (VT_I4).
  TypeBuilder& Constant(const QString& name, LONG value, const Documentation& doc = {});
  // The type an alias stands for.
  TypeBuilder& AliasOf(const TypeRef& type);

 private:
  friend class TypeLibBuilder;
  struct Member {
    bool isVar = false;
    MEMBERID id = 0;
    QString name;
    INVOKEKIND kind = INVOKE_FUNC;
    TypeRef type;
    std::vector<Param> params;
    WORD flags = 0;
    VARKIND varKind = VAR_DISPATCH;
    LONG constant = 0;
    Documentation doc;
  };
  TYPEKIND kind_ = TKIND_DISPATCH;
  GUID guid_;
  QString name_;
  Documentation doc_;
  std::vector<QString> implements_;
  std::vector<Member> members_;
  TypeRef alias_;
};

class TypeLibBuilder {
 public:
  TypeLibBuilder(REFGUID libid, const QString& name, WORD major, WORD minor);
  TypeLibBuilder& Doc(const Documentation& doc);
  // Adds a type; the reference stays valid until the next AddType.
  TypeBuilder& AddType(TYPEKIND kind, REFGUID guid, const QString& name);
  // The library; E_INVALIDARG when a type name a member or base refers to is missing.
  HRESULT Build(ITypeLib** out) const;

 private:
  GUID libid_;
  QString name_;
  WORD major_, minor_;
  Documentation doc_;
  std::vector<TypeBuilder> types_;
};

// The type information of one type of a library by name; null when absent.
Ref<ITypeInfo> FindTypeInfo(ITypeLib* library, const QString& name);

}  // namespace com
