#pragma once
// Connection points: a container object answers FindConnectionPoint for each outgoing
// interface it fires, and each point keeps the sinks advised to it under cookies (never
// 0, never reused while the point lives). A point holds a reference on each sink until
// Unadvise or its own end; it does not hold its container, which detaches it on
// destruction. Firing works on a snapshot, so a sink may unadvise while notified.
// UI thread only.

#include <functional>
#include <vector>

#include "platform/com/Object.h"

namespace com {

class ConnectionPoint final : public ComObject<IConnectionPoint> {
 public:
  ConnectionPoint(IUnknown* outer, IConnectionPointContainer* container, REFIID iid)
      : ComObject(outer), container_(container), iid_(iid) {}

  HRESULT GetConnectionInterface(IID* iid) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;
  HRESULT EnumConnections(void** out) override;

  REFIID Interface() const { return iid_; }
  std::size_t SinkCount() const { return sinks_.size(); }
  // Calls fire with each advised sink's interface (of the point's IID); stops quietly
  // when memory runs out.
  void ForEachSink(const std::function<void(IUnknown* sink)>& fire);
  // The container is gone: later container requests fail.
  void Detach() { container_ = nullptr; }

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  struct Sink {
    DWORD cookie;
    Ref<IUnknown> sink;
  };
  IConnectionPointContainer* container_;
  IID iid_;
  std::vector<Sink> sinks_;
  DWORD nextCookie_ = 1;
};

// The points of one container: the container object keeps one and forwards
// FindConnectionPoint to it.
class ConnectionPoints {
 public:
  explicit ConnectionPoints(IConnectionPointContainer* container) : container_(container) {}
  ~ConnectionPoints();
  ConnectionPoints(const ConnectionPoints&) = delete;
  ConnectionPoints& operator=(const ConnectionPoints&) = delete;

  // Adds a point for an outgoing interface; null when memory runs out.
  ConnectionPoint* Add(REFIID iid);
  ConnectionPoint* Find(REFIID iid) const;
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** out) const;

  // IPropertyNotifySink::OnChanged to every sink of that point.
  void NotifyChanged(DISPID id) const;
  // S_OK when every sink allows the edit (OnRequestEdit S_OK), else S_FALSE.
  HRESULT RequestEdit(DISPID id) const;

 private:
  IConnectionPointContainer* container_;
  std::vector<ConnectionPoint*> points_;  // each with one reference
};

}  // namespace com
