// regpages: registers or unregisters an in-process server by calling its
// DllRegisterServer or DllUnregisterServer.
//   regpages [/u] [/s] <library.so>
// /u unregisters; /s prints nothing. Exit status: 0 on success, 1 when the library
// cannot be loaded or lacks the export, 2 when the call fails, 3 for a wrong command.

#include <cstdio>
#include <cstring>

#include "platform/com/Loader.h"

namespace {

bool IsOption(const char* arg, char letter) {
  return (arg[0] == '/' || arg[0] == '-') && (arg[1] == letter || arg[1] == (letter ^ 0x20)) &&
         arg[2] == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false, silent = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (IsOption(argv[i], 'u'))
      unregister = true;
    else if (IsOption(argv[i], 's'))
      silent = true;
    else if (!path)
      path = argv[i];
    else
      path = nullptr, i = argc;  // more than one library
  }
  if (!path) {
    std::fprintf(stderr, "usage: regpages [/u] [/s] <library.so>\n");
    return 3;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  const com::Module module = com::Module::Load(QString::fromLocal8Bit(path));
  if (!module.IsLoaded()) {
    if (!silent) std::fprintf(stderr, "regpages: %s\n", module.Error().toLocal8Bit().constData());
    return 1;
  }
  const auto call = module.Function<com::DllRegisterServerFn>(entry);
  if (!call) {
    if (!silent) std::fprintf(stderr, "regpages: %s has no %s\n", path, entry);
    return 1;
  }
  const HRESULT hr = call();
  if (FAILED(hr)) {
    if (!silent)
      std::fprintf(stderr, "regpages: %s in %s failed: 0x%08X\n", entry, path,
                   static_cast<unsigned>(hr));
    return 2;
  }
  if (!silent) std::printf("%s in %s succeeded.\n", entry, path);
  return 0;
}
