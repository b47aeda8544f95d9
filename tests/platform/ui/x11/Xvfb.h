#pragma once
// X servers, programs and X reads of the tests of this folder.

#include <QStandardPaths>
#include <QString>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <vector>
#include <xcb/xcb.h>

#include "tests/database/ProcessTestSupport.h"

namespace x11test {

// The first of `tools` not on the PATH; nullptr when all are.
inline const char* Missing(std::initializer_list<const char*> tools) {
  for (const char* tool : tools) {
    if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) return tool;
  }
  return nullptr;
}

// Runs `argv` in place of this (forked) process, with `environment` before the test's own
// (the first of a name counts), its output appended to `log`: 127 where it cannot.
inline int Exec(std::vector<std::string> argv, std::vector<std::string> environment, const std::string& log) {
  for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  dup2(out, STDOUT_FILENO);
  dup2(out, STDERR_FILENO);
  std::vector<char*> args, envp;
  for (std::string& a : argv) args.push_back(a.data());
  for (std::string& e : environment) envp.push_back(e.data());
  args.push_back(nullptr);
  envp.push_back(nullptr);
  execvpe(args[0], args.data(), envp.data());
  return 127;
}

// An Xvfb of `size` ("800x600") at 96 dots per inch on a free display, ended with the
// object: its name (":N"), ":" where Xvfb could not start.
class Xvfb {
 public:
  explicit Xvfb(const std::string& size)
      : xvfb_(
            [size](int, int ready) {
              return Exec({"Xvfb", "-displayfd", std::to_string(ready), "-nolisten", "tcp", "-dpi", "96", "-screen",
                           "0", size + "x24"},
                          {}, "/dev/null");
            },
            SIGTERM),
        name_(':' + xvfb_.ReceiveAll('\n')) {}
  const std::string& Name() const { return name_; }

 private:
  proctest::Child xvfb_;
  std::string name_;
};

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << r.width << 'x' << r.height << " at " << r.x << ',' << r.y;
}

// A connection of the test's own to display `name`, and what it reads there.
class Display {
 public:
  explicit Display(const std::string& name) : c_(xcb_connect(name.c_str(), nullptr)) {
    if (xcb_connection_has_error(c_) == 0) screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
  }
  ~Display() { xcb_disconnect(c_); }
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;
  bool Open() const { return screen_ != nullptr; }
  xcb_connection_t* Connection() const { return c_; }
  const xcb_screen_t& Screen() const { return *screen_; }  // the server's only one

  xcb_window_t Focus() const {
    xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr);
    const xcb_window_t focus = reply != nullptr ? reply->focus : xcb_window_t{XCB_NONE};
    std::free(reply);
    return focus;
  }

  // A 32-bit list property of `w` (the root window where XCB_NONE).
  std::vector<uint32_t> Cardinals(const char* property, xcb_atom_t type, xcb_window_t w = XCB_NONE) const {
    std::vector<uint32_t> values;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c_, xcb_get_property(c_, 0, w != XCB_NONE ? w : screen_->root, Atom(property), type, 0, 1024), nullptr);
    if (reply != nullptr && reply->format == 32) {
      const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
      values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
  }

  // The managed windows of process `pid`.
  std::vector<xcb_window_t> ClientsOf(pid_t pid) const {
    std::vector<xcb_window_t> clients;
    for (const uint32_t w : Cardinals("_NET_CLIENT_LIST", XCB_ATOM_WINDOW)) {
      if (Cardinals("_NET_WM_PID", XCB_ATOM_CARDINAL, w) == std::vector<uint32_t>{static_cast<uint32_t>(pid)})
        clients.push_back(w);
    }
    return clients;
  }

  // Where `w` lies on the screen: the window itself (frame false) or the manager's frame
  // around it (the top-level window that holds it, its own border included).
  std::optional<Rect> Geometry(xcb_window_t w, bool frame) const {
    xcb_window_t top = w;
    for (xcb_window_t parent = w; frame && parent != screen_->root;) {
      xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, parent), nullptr);
      if (tree == nullptr) return std::nullopt;
      top = parent;
      parent = tree->parent;
      std::free(tree);
    }
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, top), nullptr);
    xcb_translate_coordinates_reply_t* at =
        xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, top, screen_->root, 0, 0), nullptr);
    std::optional<Rect> r;
    if (g != nullptr && at != nullptr) {
      const int border = frame ? g->border_width : 0;
      r = Rect{at->dst_x - border, at->dst_y - border, g->width + 2 * border, g->height + 2 * border};
    }
    std::free(g);
    std::free(at);
    return r;
  }

 private:
  xcb_atom_t Atom(const char* name) const {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_NONE};
    std::free(reply);
    return atom;
  }

  xcb_connection_t* c_;
  const xcb_screen_t* screen_ = nullptr;
};

}  // namespace x11test
