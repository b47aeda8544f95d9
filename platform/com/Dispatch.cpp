#include "platform/com/Dispatch.h"

#include <new>
#include <vector>

namespace com {

namespace {

void ClearAll(std::vector<VARIANT>& values) {
  for (VARIANT& v : values) VariantClear(&v);
}

HRESULT RunHandler(const Handler& handler, Invocation& call) {
  return Guarded([&] { return handler(call); });
}

}  // namespace

Dispatcher& Dispatcher::On(DISPID id, INVOKEKIND kind, Handler handler) {
  handlers_[{id, kind}] = std::move(handler);
  return *this;
}

Dispatcher& Dispatcher::Getter(DISPID id, std::function<Variant()> get) {
  return On(id, INVOKE_PROPERTYGET, [get = std::move(get)](Invocation& call) {
    Variant value = get();
    if (call.result) *call.result = value.Detach();
    return S_OK;
  });
}

Dispatcher& Dispatcher::Putter(DISPID id, std::function<HRESULT(const VARIANT& value)> put) {
  return On(id, INVOKE_PROPERTYPUT,
            [put = std::move(put)](Invocation& call) { return put(call.args[0]); });
}

HRESULT Dispatcher::GetTypeInfoCount(UINT* count) const {
  if (!count) return E_POINTER;
  *count = info_ ? 1 : 0;
  return S_OK;
}

HRESULT Dispatcher::GetTypeInfo(UINT index, LCID, ITypeInfo** out) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0 || !info_) return DISP_E_BADINDEX;
  *out = info_.get();
  (*out)->AddRef();
  return S_OK;
}

HRESULT Dispatcher::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) const {
  if (!info_) {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  return info_->GetIDsOfNames(names, count, ids);
}

std::vector<ELEMDESC> Dispatcher::ParamsOf(DISPID id, INVOKEKIND kind) const {
  std::vector<ELEMDESC> out;
  TYPEATTR* attr = nullptr;
  if (!info_ || FAILED(info_->GetTypeAttr(&attr))) return out;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* f = nullptr;
    if (FAILED(info_->GetFuncDesc(i, &f))) continue;
    if (f->memid == id && f->invkind == kind) {
      out.assign(f->lprgelemdescParam, f->lprgelemdescParam + f->cParams);
    }
    info_->ReleaseFuncDesc(f);
  }
  info_->ReleaseTypeAttr(attr);
  return out;
}

HRESULT Dispatcher::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* excep, UINT* argErr) const {
  if (!params) return E_POINTER;
  if (params->cArgs && !params->rgvarg) return E_POINTER;
  if (params->cNamedArgs > params->cArgs || (params->cNamedArgs && !params->rgdispidNamedArgs))
    return E_INVALIDARG;
  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  if (put) {
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTFOUND;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
  } else if (params->cNamedArgs) {
    return DISP_E_NONAMEDARGS;
  }

  const Handler* handler = nullptr;
  INVOKEKIND kind = INVOKE_FUNC;
  auto find = [&](INVOKEKIND k) {
    const auto it = handlers_.find({id, k});
    if (it != handlers_.end() && !handler) handler = &it->second, kind = k;
  };
  if (put) find(INVOKE_PROPERTYPUT);
  if (flags & DISPATCH_PROPERTYGET) find(INVOKE_PROPERTYGET);
  if (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) find(INVOKE_FUNC);
  if (!handler) return DISP_E_MEMBERNOTFOUND;

  // The arguments in declared order, copied and converted.
  std::vector<VARIANT> args;
  try {
    const std::vector<ELEMDESC> declared =
        kind == INVOKE_FUNC ? ParamsOf(id, kind) : std::vector<ELEMDESC>();
    const UINT given = params->cArgs;
    if (kind == INVOKE_FUNC) {
      const auto count = static_cast<UINT>(declared.size());
      if (given > count) return DISP_E_BADPARAMCOUNT;
      // Only optional parameters may be left out at the end.
      for (UINT i = given; i < count; ++i)
        if (!(declared[i].paramdesc.wParamFlags & PARAMFLAG_FOPT)) return DISP_E_BADPARAMCOUNT;
    } else if (kind == INVOKE_PROPERTYGET && given) {
      return DISP_E_BADPARAMCOUNT;
    }
    const UINT total = kind == INVOKE_FUNC ? static_cast<UINT>(declared.size()) : given;
    args.resize(total);
    for (VARIANT& v : args) VariantInit(&v);
    for (UINT i = 0; i < total; ++i) {
      if (i >= given) {
        args[i].vt = VT_ERROR;
        args[i].scode = DISP_E_PARAMNOTFOUND;
        continue;
      }
      const UINT at = given - 1 - i;  // arguments come last first
      const VARIANT& in = params->rgvarg[at];
      const VARTYPE want = i < declared.size() ? declared[i].tdesc.vt : VARTYPE{VT_VARIANT};
      const bool omitted = in.vt == VT_ERROR && in.scode == DISP_E_PARAMNOTFOUND;
      const HRESULT hr = IsPlainType(want) && !omitted ? VariantChangeType(&args[i], &in, 0, want)
                                                       : VariantCopyInd(&args[i], &in);
      if (FAILED(hr)) {
        if (argErr) *argErr = at;
        ClearAll(args);
        return hr == E_OUTOFMEMORY ? hr : DISP_E_TYPEMISMATCH;
      }
    }
  } catch (const std::bad_alloc&) {
    ClearAll(args);
    return E_OUTOFMEMORY;
  }

  VARIANT scratch;
  VariantInit(&scratch);
  if (result) VariantInit(result);
  Invocation call{std::span<VARIANT>(args), result ? result : &scratch, {}};
  HRESULT hr = RunHandler(*handler, call);
  ClearAll(args);
  VariantClear(&scratch);
  if (FAILED(hr) && result) VariantClear(result);
  if (FAILED(hr) && (static_cast<std::uint32_t>(hr) & 0xFFFF0000u) != 0x80020000u) {
    if (excep) {
      *excep = EXCEPINFO{};
      excep->scode = hr;
      if (info_)
        info_->GetDocumentation(MEMBERID_NIL, &excep->bstrSource, nullptr, nullptr, nullptr);
      if (!call.error.isEmpty()) excep->bstrDescription = AllocBstr(call.error);
    }
    hr = DISP_E_EXCEPTION;
  }
  return hr;
}

HRESULT CallMember(IDispatch* object, DISPID id, WORD flags, std::span<const Variant> args,
                   Variant* result, EXCEPINFO* excep) {
  if (!object) return E_POINTER;
  try {
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->Get());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<UINT>(reversed.size());
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      params.rgdispidNamedArgs = &named;
      params.cNamedArgs = 1;
    }
    UINT argErr = 0;
    return object->Invoke(id, GUID_NULL, 0x0800, flags, &params, result ? result->Out() : nullptr,
                          excep, &argErr);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT GetProperty(IDispatch* object, DISPID id, Variant& value) {
  return CallMember(object, id, DISPATCH_PROPERTYGET, {}, &value);
}

HRESULT PutProperty(IDispatch* object, DISPID id, const Variant& value) {
  return CallMember(object, id, DISPATCH_PROPERTYPUT, std::span<const Variant>(&value, 1));
}

DISPID IdOfName(IDispatch* object, const QString& name) {
  if (!object) return DISPID_UNKNOWN;
  std::u16string text(reinterpret_cast<const char16_t*>(name.utf16()),
                      static_cast<std::size_t>(name.size()));
  LPOLESTR names[] = {text.data()};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(object->GetIDsOfNames(GUID_NULL, names, 1, 0x0400, &id))) return DISPID_UNKNOWN;
  return id;
}

}  // namespace com
