#include "platform/com/Loader.h"

#include <dlfcn.h>

#include <QFileInfo>
#include <utility>

namespace com {

Module::Module(Module&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

Module& Module::operator=(Module&& other) noexcept {
  if (this != &other) {
    if (handle_) dlclose(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
    error_ = std::move(other.error_);
  }
  return *this;
}

Module::~Module() {
  if (handle_) dlclose(handle_);
}

Module Module::Load(const QString& path) {
  Module m;
  // A bare name would be searched for on the library path: always name a file.
  const QString file = path.contains(QLatin1Char('/')) ? path : QStringLiteral("./") + path;
  m.handle_ = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
  if (!m.handle_) {
    const char* why = dlerror();
    m.error_ = why ? QString::fromLocal8Bit(why) : QStringLiteral("cannot load %1").arg(path);
  }
  return m;
}

void* Module::Symbol(const char* name) const {
  if (!handle_ || !name) return nullptr;
  return dlsym(handle_, name);
}

QString ModulePathOf(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname || !*info.dli_fname) return {};
  return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
}

}  // namespace com
