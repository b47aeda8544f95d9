#include "platform/ui/Activation.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <cstring>

#if STOVREL_HAVE_XCB && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define STOVREL_X11_FOCUS 1
#endif

namespace ui {

namespace {

#ifdef STOVREL_X11_FOCUS

template <class Reply>
struct Freed {
  Reply* reply;
  ~Freed() { std::free(reply); }
  Reply* operator->() const { return reply; }
  explicit operator bool() const { return reply != nullptr; }
};

xcb_atom_t ExistingAtom(xcb_connection_t* c, const char* name) {
  const Freed<xcb_intern_atom_reply_t> reply{
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::strlen(name), name), nullptr)};
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Whether a window manager activates windows on request (the toolkit then asks it).
bool WindowManagerActivates(xcb_connection_t* c, xcb_window_t root) {
  const xcb_atom_t supported = ExistingAtom(c, "_NET_SUPPORTED");
  const xcb_atom_t activates = ExistingAtom(c, "_NET_ACTIVE_WINDOW");
  if (supported == XCB_ATOM_NONE || activates == XCB_ATOM_NONE) return false;
  const Freed<xcb_get_property_reply_t> reply{
      xcb_get_property_reply(c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr)};
  if (!reply || reply->format != 32) return false;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.reply));
  const int count = xcb_get_property_value_length(reply.reply) / static_cast<int>(sizeof(xcb_atom_t));
  for (int i = 0; i < count; ++i) {
    if (atoms[i] == activates) return true;
  }
  return false;
}

void FocusAtCurrentTime(const QWidget& window) {
  // Other platforms may offer the interface too (offscreen does), without a connection.
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
  const QWindow* handle = window.windowHandle();
  if (c == nullptr || handle == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return;
  const auto id = static_cast<xcb_window_t>(handle->winId());
  const Freed<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr)};
  if (!tree || WindowManagerActivates(c, tree->root)) return;
  // Checked: a window not yet viewable is refused here, not reported as an error.
  std::free(xcb_request_check(c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, id, XCB_CURRENT_TIME)));
}

#else

void FocusAtCurrentTime(const QWidget&) {}

#endif

}  // namespace

void ActivateWindow(QWidget& window) {
  window.activateWindow();
  FocusAtCurrentTime(window);
}

}  // namespace ui
