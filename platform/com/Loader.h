#pragma once
// Loading in-process servers: a shared library opened with dlopen, its exports found by
// name, and the path of the module that holds a given address. A Module closes its
// library when destroyed; pointers found in it must not outlive it. Thread-safe as the
// system loader is; a Module itself belongs to one thread.

#include <QString>

#include "platform/com/Types.h"

namespace com {

// The exports of an in-process server.
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
using DllCanUnloadNowFn = HRESULT (*)();
using DllGetClassObjectFn = HRESULT (*)(REFCLSID clsid, REFIID iid, void** out);

class Module {
 public:
  Module() = default;
  Module(Module&& other) noexcept;
  Module& operator=(Module&& other) noexcept;
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Opens the library (symbols resolved now, kept local); IsLoaded() false and
  // Error() the loader's message on failure.
  static Module Load(const QString& path);
  bool IsLoaded() const { return handle_ != nullptr; }
  const QString& Error() const { return error_; }
  // An export by name; null when there is none.
  void* Symbol(const char* name) const;
  template <typename F>
  F Function(const char* name) const {
    return reinterpret_cast<F>(Symbol(name));
  }

 private:
  void* handle_ = nullptr;
  QString error_;
};

// The absolute path of the loaded file (program or library) containing the address;
// empty when it cannot be told.
QString ModulePathOf(const void* address);

}  // namespace com
