#pragma once
// A growable in-memory IStream. Clones share the bytes and keep their own position, as
// clones of a stream do. Positions and sizes past what memory can hold are refused
// (STG_E_MEDIUMFULL); seeking before the start is STG_E_INVALIDFUNCTION. UI thread only.

#include <QByteArray>
#include <memory>

#include "platform/com/Object.h"

namespace com {

class MemoryStream final : public ComObject<IStream> {
 public:
  MemoryStream(IUnknown* outer, std::shared_ptr<QByteArray> bytes)
      : ComObject(outer), bytes_(std::move(bytes)) {}
  // A stream positioned at the start of a copy of the bytes.
  static Ref<IStream> Over(const QByteArray& bytes = {});

  HRESULT Read(void* data, ULONG size, ULONG* read) override;
  HRESULT Write(const void* data, ULONG size, ULONG* written) override;
  HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) override;
  HRESULT SetSize(ULONGLONG size) override;
  HRESULT CopyTo(IStream* target, ULONGLONG size, ULONGLONG* read, ULONGLONG* written) override;
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT LockRegion(ULONGLONG, ULONGLONG, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT UnlockRegion(ULONGLONG, ULONGLONG, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT Stat(STATSTG* stat, DWORD flags) override;
  HRESULT Clone(IStream** out) override;

  const QByteArray& Bytes() const { return *bytes_; }

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  // False when memory runs out (the bytes stay as they were).
  bool Resize(ULONGLONG size);

  std::shared_ptr<QByteArray> bytes_;
  ULONGLONG position_ = 0;
};

// Reads from the stream's position to its end (at most `limit` bytes); E_OUTOFMEMORY
// when more is there than the limit allows.
HRESULT ReadRest(IStream* stream, QByteArray& out, qsizetype limit = 256 * 1024 * 1024);
// Reads up to `count` bytes from the stream's position, stopping at its end; memory
// grows with what arrives, not with the count asked for.
HRESULT ReadAtMost(IStream* stream, qsizetype count, QByteArray& out);

}  // namespace com
