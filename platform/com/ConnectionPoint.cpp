#include "platform/com/ConnectionPoint.h"

namespace com {

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = container_;
  if (!container_) return E_UNEXPECTED;
  container_->AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  Ref<IUnknown> face;
  if (FAILED(sink->QueryInterface(iid_, face.OutVoid())) || !face) return CONNECT_E_CANNOTCONNECT;
  if (nextCookie_ == 0) return CONNECT_E_CANNOTCONNECT;  // every cookie was handed out
  const HRESULT hr = Guarded([&] {
    sinks_.push_back({nextCookie_, std::move(face)});
    return S_OK;
  });
  if (FAILED(hr)) return hr;
  *cookie = nextCookie_++;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->cookie == cookie) {
      sinks_.erase(it);
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT ConnectionPoint::EnumConnections(void** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

void ConnectionPoint::ForEachSink(const std::function<void(IUnknown* sink)>& fire) {
  std::vector<Ref<IUnknown>> snapshot;
  Guarded([&] {
    snapshot.reserve(sinks_.size());
    for (const Sink& s : sinks_) snapshot.push_back(s.sink);
    for (const auto& sink : snapshot) fire(sink.get());
    return S_OK;
  });
}

void* ConnectionPoint::FindInterface(REFIID iid) {
  return iid == IID_IConnectionPoint ? Face<IConnectionPoint>() : nullptr;
}

ConnectionPoints::~ConnectionPoints() {
  for (ConnectionPoint* p : points_) {
    p->Detach();
    p->Release();
  }
}

ConnectionPoint* ConnectionPoints::Add(REFIID iid) {
  void* out = nullptr;
  if (FAILED(CreateAs<ConnectionPoint>(nullptr, IID_IConnectionPoint, &out, container_, iid)))
    return nullptr;
  auto* point = static_cast<ConnectionPoint*>(static_cast<IConnectionPoint*>(out));
  points_.push_back(point);
  return point;
}

ConnectionPoint* ConnectionPoints::Find(REFIID iid) const {
  for (ConnectionPoint* p : points_)
    if (p->Interface() == iid) return p;
  return nullptr;
}

HRESULT ConnectionPoints::FindConnectionPoint(REFIID iid, IConnectionPoint** out) const {
  if (!out) return E_POINTER;
  *out = Find(iid);
  if (!*out) return CONNECT_E_NOCONNECTION;
  (*out)->AddRef();
  return S_OK;
}

void ConnectionPoints::NotifyChanged(DISPID id) const {
  if (ConnectionPoint* p = Find(IID_IPropertyNotifySink))
    p->ForEachSink(
        [id](IUnknown* sink) { static_cast<IPropertyNotifySink*>(sink)->OnChanged(id); });
}

HRESULT ConnectionPoints::RequestEdit(DISPID id) const {
  HRESULT result = S_OK;
  if (ConnectionPoint* p = Find(IID_IPropertyNotifySink)) {
    p->ForEachSink([&](IUnknown* sink) {
      if (result == S_OK && static_cast<IPropertyNotifySink*>(sink)->OnRequestEdit(id) != S_OK)
        result = S_FALSE;
    });
  }
  return result;
}

}  // namespace com
