#include "platform/com/Stream.h"

#include <cstring>
#include <limits>
#include <new>

namespace com {

namespace {

// The largest size a QByteArray can be asked for.
constexpr ULONGLONG kMaxSize = std::numeric_limits<int>::max() - 64;

}  // namespace

Ref<IStream> MemoryStream::Over(const QByteArray& bytes) {
  return Create<MemoryStream, IStream>(IID_IStream, std::make_shared<QByteArray>(bytes));
}

HRESULT MemoryStream::Read(void* data, ULONG size, ULONG* read) {
  if (read) *read = 0;
  if (!data && size) return STG_E_INVALIDPOINTER;
  const auto length = static_cast<ULONGLONG>(bytes_->size());
  const ULONGLONG available = position_ < length ? length - position_ : 0;
  const auto n = static_cast<ULONG>(std::min<ULONGLONG>(size, available));
  if (n) std::memcpy(data, bytes_->constData() + position_, n);
  position_ += n;
  if (read) *read = n;
  return n == size ? S_OK : S_FALSE;
}

HRESULT MemoryStream::Write(const void* data, ULONG size, ULONG* written) {
  if (written) *written = 0;
  if (!data && size) return STG_E_INVALIDPOINTER;
  if (position_ > kMaxSize || size > kMaxSize - position_) return STG_E_MEDIUMFULL;
  const ULONGLONG end = position_ + size;
  if (end > static_cast<ULONGLONG>(bytes_->size()) && !Resize(end)) return STG_E_MEDIUMFULL;
  if (size) std::memcpy(bytes_->data() + position_, data, size);
  position_ = end;
  if (written) *written = size;
  return S_OK;
}

HRESULT MemoryStream::Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) {
  long double base = 0;
  switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<long double>(position_); break;
    case STREAM_SEEK_END: base = static_cast<long double>(bytes_->size()); break;
    default: return STG_E_INVALIDFUNCTION;
  }
  const long double target = base + static_cast<long double>(move);
  if (target < 0) return STG_E_INVALIDFUNCTION;
  if (target > static_cast<long double>(kMaxSize)) return STG_E_MEDIUMFULL;
  position_ = static_cast<ULONGLONG>(target);
  if (newPosition) *newPosition = position_;
  return S_OK;
}

HRESULT MemoryStream::SetSize(ULONGLONG size) {
  return size <= kMaxSize && Resize(size) ? S_OK : STG_E_MEDIUMFULL;
}

bool MemoryStream::Resize(ULONGLONG size) {
  try {
    bytes_->resize(static_cast<qsizetype>(size), '\0');
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

HRESULT MemoryStream::CopyTo(IStream* target, ULONGLONG size, ULONGLONG* read, ULONGLONG* written) {
  if (read) *read = 0;
  if (written) *written = 0;
  if (!target) return STG_E_INVALIDPOINTER;
  const auto length = static_cast<ULONGLONG>(bytes_->size());
  const ULONGLONG available = position_ < length ? length - position_ : 0;
  const ULONGLONG n = std::min({size, available, ULONGLONG{std::numeric_limits<ULONG>::max()}});
  ULONG done = 0;
  const HRESULT hr = target->Write(bytes_->constData() + position_, static_cast<ULONG>(n), &done);
  position_ += n;
  if (read) *read = n;
  if (written) *written = done;
  return hr;
}

HRESULT MemoryStream::Stat(STATSTG* stat, DWORD) {
  if (!stat) return STG_E_INVALIDPOINTER;
  stat->cbSize = static_cast<ULONGLONG>(bytes_->size());
  return S_OK;
}

HRESULT MemoryStream::Clone(IStream** out) {
  if (!out) return STG_E_INVALIDPOINTER;
  const HRESULT hr =
      CreateAs<MemoryStream>(nullptr, IID_IStream, reinterpret_cast<void**>(out), bytes_);
  if (SUCCEEDED(hr)) static_cast<MemoryStream*>(*out)->position_ = position_;
  return hr;
}

void* MemoryStream::FindInterface(REFIID iid) {
  if (iid == IID_IStream || iid == IID_ISequentialStream) return Face<IStream>();
  return nullptr;
}

namespace {

// Reads chunks until the end or `count` bytes; `more` tells whether bytes were left.
HRESULT ReadChunks(IStream* stream, qsizetype count, QByteArray& out, bool& more) {
  out.clear();
  more = false;
  if (!stream) return E_POINTER;
  if (count < 0) return E_INVALIDARG;
  char chunk[64 * 1024];
  while (out.size() < count) {
    const auto want = static_cast<ULONG>(std::min<qsizetype>(sizeof chunk, count - out.size()));
    ULONG got = 0;
    const HRESULT hr = stream->Read(chunk, want, &got);
    if (FAILED(hr)) return hr;
    if (got > want) return E_UNEXPECTED;  // a stream that claims more than asked
    try {
      out.append(chunk, got);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    if (got < want) return S_OK;
  }
  char probe;
  ULONG got = 0;
  more = SUCCEEDED(stream->Read(&probe, 1, &got)) && got == 1;
  if (more) stream->Seek(-1, STREAM_SEEK_CUR, nullptr);
  return S_OK;
}

}  // namespace

HRESULT ReadRest(IStream* stream, QByteArray& out, qsizetype limit) {
  bool more = false;
  const HRESULT hr = ReadChunks(stream, limit, out, more);
  return SUCCEEDED(hr) && more ? E_OUTOFMEMORY : hr;
}

HRESULT ReadAtMost(IStream* stream, qsizetype count, QByteArray& out) {
  bool more = false;
  return ReadChunks(stream, count, out, more);
}

}  // namespace com
