#pragma once
// A generic IDispatch over type information: an object describes its members in a type
// library (TypeInfo.h) and binds each member id and kind to a handler, and `Dispatcher`
// answers GetTypeInfoCount, GetTypeInfo, GetIDsOfNames and Invoke from them.
//
// Invoke rules: DISPATCH_PROPERTYGET (alone or with DISPATCH_METHOD) calls the get
// handler, or the method when there is none; DISPATCH_PROPERTYPUT needs exactly one named
// argument, DISPID_PROPERTYPUT, whose value reaches the put handler as given (the handler
// converts it); DISPATCH_METHOD calls the
// method with its arguments in declared order, each converted to the declared plain type
// (VT_VARIANT and object types are passed as given), omitted optional ones as
// VT_ERROR/DISP_E_PARAMNOTFOUND. A handler's failure other than a DISP_E_ code becomes
// DISP_E_EXCEPTION with the EXCEPINFO filled (source: the type's name; the handler may
// give a description). No exception leaves Invoke. UI thread only.

#include <QString>
#include <functional>
#include <map>
#include <span>

#include "platform/com/TypeInfo.h"

namespace com {

// What a handler sees: the arguments (first declared first), where the result goes, and
// a description to report when it fails.
struct Invocation {
  std::span<VARIANT> args;
  VARIANT* result = nullptr;  // null when the caller wants none
  QString error;
};

using Handler = std::function<HRESULT(Invocation& call)>;

class Dispatcher {
 public:
  // info: the type that names the members (GetTypeInfo answers it for index 0).
  explicit Dispatcher(Ref<ITypeInfo> info = {}) : info_(std::move(info)) {}

  void SetTypeInfo(Ref<ITypeInfo> info) { info_ = std::move(info); }
  ITypeInfo* TypeInfo() const { return info_.get(); }

  // Binds a handler to a member: INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT or INVOKE_FUNC.
  Dispatcher& On(DISPID id, INVOKEKIND kind, Handler handler);
  // A property get that copies a value, and a put that hands the new value over.
  Dispatcher& Getter(DISPID id, std::function<Variant()> get);
  Dispatcher& Putter(DISPID id, std::function<HRESULT(const VARIANT& value)> put);

  HRESULT GetTypeInfoCount(UINT* count) const;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) const;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) const;
  HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* argErr) const;

 private:
  // The declared parameter types of a function member; empty when not found.
  std::vector<ELEMDESC> ParamsOf(DISPID id, INVOKEKIND kind) const;

  Ref<ITypeInfo> info_;
  std::map<std::pair<DISPID, INVOKEKIND>, Handler> handlers_;
};

// Forwards the IDispatch slots of a class to its `dispatcher_` member.
#define STOVREL_COM_FORWARD_DISPATCH                                                             \
  HRESULT GetTypeInfoCount(UINT* count) override { return dispatcher_.GetTypeInfoCount(count); } \
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override {                         \
    return dispatcher_.GetTypeInfo(index, lcid, out);                                            \
  }                                                                                              \
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids)         \
      override {                                                                                 \
    return dispatcher_.GetIDsOfNames(iid, names, count, lcid, ids);                              \
  }                                                                                              \
  HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,               \
                 VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {                     \
    return dispatcher_.Invoke(id, iid, lcid, flags, params, result, excep, argErr);              \
  }

// Calls a member of any IDispatch: the caller-side counterpart (arguments first to last).
HRESULT CallMember(IDispatch* object, DISPID id, WORD flags, std::span<const Variant> args,
                   Variant* result = nullptr, EXCEPINFO* excep = nullptr);
HRESULT GetProperty(IDispatch* object, DISPID id, Variant& value);
HRESULT PutProperty(IDispatch* object, DISPID id, const Variant& value);
// The member id of a name; DISPID_UNKNOWN when the object does not know it.
DISPID IdOfName(IDispatch* object, const QString& name);

}  // namespace com
