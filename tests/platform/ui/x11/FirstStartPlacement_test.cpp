// The program's first start under a window manager: an Xvfb and an openbox of the test's
// own, the real program started with a fresh settings folder holding a remembered
// placement and closed with its Exit key, as a user would (skipped where Xvfb, openbox or
// xdotool is not installed).

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

#include "platform/registry/Hive.h"
#include "tests/platform/ui/x11/Xvfb.h"

namespace {

using namespace std::chrono_literals;

// Bounds for a stuck server or program, not a speed expected (ms).
constexpr int kStartBound = 120000;
constexpr int kSettleBound = 60000;
// The frame counts as placed once two reads this far apart agree.
constexpr auto kSettleGap = 500ms;
constexpr int kTwipsPerPixel = 15;  // the display's 96 dots per inch

bool OnPath(const char* tool) {
  const QByteArray path = qgetenv("PATH");
  for (const QByteArray& dir : path.split(':')) {
    if (!dir.isEmpty() && access((dir + '/' + tool).constData(), X_OK) == 0) return true;
  }
  return false;
}

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << r.width << 'x' << r.height << " at " << r.x << ',' << r.y;
}

// What the test reads of the display, through a connection of its own.
class Display {
 public:
  explicit Display(const std::string& name) : c_(xcb_connect(name.c_str(), nullptr)) {
    if (xcb_connection_has_error(c_) == 0) root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
  }
  ~Display() { xcb_disconnect(c_); }
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;
  bool Open() const { return root_ != XCB_NONE; }

  std::vector<uint32_t> Cardinals(xcb_window_t w, const char* property, xcb_atom_t type) {
    std::vector<uint32_t> values;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c_, xcb_get_property(c_, 0, w, Atom(property), type, 0, 1024), nullptr);
    if (reply != nullptr && reply->format == 32) {
      const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
      values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
  }
  std::vector<uint32_t> RootCardinals(const char* property, xcb_atom_t type) { return Cardinals(root_, property, type); }

  // The managed windows of process `pid`.
  std::vector<xcb_window_t> ClientsOf(pid_t pid) {
    std::vector<xcb_window_t> clients;
    for (const uint32_t w : RootCardinals("_NET_CLIENT_LIST", XCB_ATOM_WINDOW)) {
      const std::vector<uint32_t> owner = Cardinals(w, "_NET_WM_PID", XCB_ATOM_CARDINAL);
      if (!owner.empty() && owner[0] == static_cast<uint32_t>(pid)) clients.push_back(w);
    }
    return clients;
  }

  // Where `w` lies on the screen: the window itself (frame false) or the manager's frame
  // around it (the top-level window that holds it).
  std::optional<Rect> Geometry(xcb_window_t w, bool frame) {
    xcb_window_t top = w;
    for (xcb_window_t parent = w; frame && parent != root_;) {
      xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, parent), nullptr);
      if (tree == nullptr) return std::nullopt;
      top = parent;
      parent = tree->parent;
      std::free(tree);
    }
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, top), nullptr);
    xcb_translate_coordinates_reply_t* at =
        xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, top, root_, 0, 0), nullptr);
    std::optional<Rect> r;
    if (g != nullptr && at != nullptr) {
      const int border = frame ? g->border_width : 0;  // the frame's own border counts
      r = Rect{at->dst_x - border, at->dst_y - border, g->width + 2 * border, g->height + 2 * border};
    }
    std::free(g);
    std::free(at);
    return r;
  }

 private:
  xcb_atom_t Atom(const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_NONE};
    std::free(reply);
    return atom;
  }

  xcb_connection_t* c_;
  xcb_window_t root_ = XCB_NONE;
};

// A program of the test, run with `environment` added, its output to `log`, sent
// SIGTERM (when still running) and waited for at the end of the object.
class Program {
 public:
  Program(std::vector<std::string> argv, const std::vector<std::string>& environment, const std::string& log) {
    std::vector<std::string> env = environment;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);  // the first of a name counts
    pid_ = fork();
    if (pid_ != 0) return;
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    std::vector<char*> args, envp;
    for (std::string& a : argv) args.push_back(a.data());
    for (std::string& e : env) envp.push_back(e.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
  }
  ~Program() {
    if (Running()) kill(pid_, SIGTERM);
    Wait();
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  pid_t Pid() const { return pid_; }
  bool Running() {
    if (exit_ >= 0 || pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  // The exit code (128 + the signal that ended it).
  int Wait() {
    int status = 0;
    if (exit_ < 0 && pid_ > 0 && waitpid(pid_, &status, 0) == pid_)
      exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return exit_;
  }

 private:
  pid_t pid_ = -1;
  int exit_ = -1;
};

std::string Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// A Pref number of the registry file in `folder`; -1 where there is none.
int PrefNumber(const QString& folder, const char* name) {
  const reg::Hive hive = reg::Hive::Parse(Read(folder + QStringLiteral("/HKEY_CURRENT_USER.hive")));
  const reg::Key* pref = hive.FindKey("Software\\Dornvale\\Stovrel\\Pref");
  const reg::Value* value = pref != nullptr ? pref->FindValue(name) : nullptr;
  if (value == nullptr) return -1;
  return std::atoi(value->data.c_str());  // the stored text may end with its NUL
}

struct FirstStart {
  int screenWidth, screenHeight;
  Rect remembered;  // the frame's position and the inside's size, in pixels
};

// The remembered window comes up whole on the screen, as near as the screen lets it to
// where it was (its frame's corner at the remembered position), at its size, and the
// position saved on exit is the frame's shown place.
TEST(FirstStartPlacementTest, ShowsTheRememberedFrameInsideTheScreenAndSavesWhereItIs) {
  for (const char* tool : {"Xvfb", "openbox", "xdotool"}) {
    if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
  }
  const FirstStart cases[] = {
      {800, 600, {700, 500, 400, 300}},   // right and bottom borders past the screen's edges
      {800, 600, {300, 200, 600, 500}},   // the same, a window nearly the screen's size
      {1366, 768, {700, 500, 400, 300}},  // the bottom border alone past the edge
      {1366, 768, {100, 80, 600, 500}},   // whole on the screen: it stays where it was
  };
  for (const FirstStart& c : cases) {
    const std::string size = std::to_string(c.screenWidth) + 'x' + std::to_string(c.screenHeight);
    SCOPED_TRACE(size + " screen, " + std::to_string(c.remembered.width) + 'x' +
                 std::to_string(c.remembered.height) + " window at " + std::to_string(c.remembered.x) + ',' +
                 std::to_string(c.remembered.y));
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString registry = folder.filePath(QStringLiteral("reg")), home = folder.filePath(QStringLiteral("home")),
                  tmp = folder.filePath(QStringLiteral("tmp"));
    for (const QString& dir : {registry, home, tmp}) ASSERT_TRUE(QDir().mkpath(dir));
    {
      QFile hive(registry + QStringLiteral("/HKEY_CURRENT_USER.hive"));
      ASSERT_TRUE(hive.open(QIODevice::WriteOnly));
      const Rect& r = c.remembered;
      hive.write(QStringLiteral("[Software\\Dornvale\\Stovrel\\Pref]\n"
                                "\"left\"=sz:\"%1\"\n\"top\"=sz:\"%2\"\n\"width\"=sz:\"%3\"\n"
                                "\"height\"=sz:\"%4\"\n\"windowstate\"=sz:\"0\"\n")
                     .arg(r.x * kTwipsPerPixel)
                     .arg(r.y * kTwipsPerPixel)
                     .arg(r.width * kTwipsPerPixel)
                     .arg(r.height * kTwipsPerPixel)
                     .toUtf8());
    }

    const x11test::Xvfb server(size);
    ASSERT_NE(server.Name(), ":") << "Xvfb did not start";
    Display display(server.Name());
    ASSERT_TRUE(display.Open());
    const std::string log = folder.filePath(QStringLiteral("log")).toStdString();
    const std::vector<std::string> env{"DISPLAY=" + server.Name(), "HOME=" + home.toStdString(),
                                       "TMPDIR=" + tmp.toStdString(), "XDG_RUNTIME_DIR=" + tmp.toStdString(),
                                       "XDG_CONFIG_HOME=" + home.toStdString() + "/.config",
                                       "STOVREL_REGISTRY_DIR=" + registry.toStdString(), "QT_QPA_PLATFORM=xcb",
                                       "DBUS_SESSION_BUS_ADDRESS=disabled:"};
    Program manager({"openbox", "--sm-disable"}, env, log);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !display.RootCardinals("_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).empty(); }, kStartBound))
        << "openbox did not start";

    Program program({STOVREL_PROGRAM}, env, log);
    // Started once the splash has gone and the main window alone is left, and active.
    xcb_window_t main = XCB_NONE;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          const std::vector<xcb_window_t> clients = display.ClientsOf(program.Pid());
          const std::vector<uint32_t> active = display.RootCardinals("_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
          main = clients.size() == 1 ? clients[0] : XCB_NONE;
          return main != XCB_NONE && active.size() == 1 && active[0] == main;
        },
        kStartBound))
        << "the main window did not come up alone; the program wrote: " << Read(QString::fromStdString(log));

    std::optional<Rect> frame, before;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          before = std::exchange(frame, display.Geometry(main, true));
          if (frame && before && *frame == *before) return true;
          std::this_thread::sleep_for(kSettleGap);
          return false;
        },
        kSettleBound));
    const std::optional<Rect> inside = display.Geometry(main, false);
    ASSERT_TRUE(inside.has_value());

    EXPECT_GE(frame->x, 0);
    EXPECT_GE(frame->y, 0);
    EXPECT_LE(frame->x + frame->width, c.screenWidth) << "the right border is off the screen: " << *frame;
    EXPECT_LE(frame->y + frame->height, c.screenHeight) << "the bottom border is off the screen: " << *frame;
    EXPECT_EQ(inside->width, c.remembered.width);
    EXPECT_EQ(inside->height, c.remembered.height);
    EXPECT_EQ(frame->x, std::min(c.remembered.x, c.screenWidth - frame->width));
    EXPECT_EQ(frame->y, std::min(c.remembered.y, c.screenHeight - frame->height));

    // File > Exit by its key, sent to the active main window.
    Program exitKey({"xdotool", "key", "--clearmodifiers", "ctrl+x"}, env, log);
    EXPECT_EQ(exitKey.Wait(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !program.Running(); }, kStartBound)) << "the program did not end";
    EXPECT_EQ(program.Wait(), 0) << Read(QString::fromStdString(log));
    EXPECT_EQ(PrefNumber(registry, "left"), frame->x * kTwipsPerPixel);
    EXPECT_EQ(PrefNumber(registry, "top"), frame->y * kTwipsPerPixel);
    EXPECT_EQ(PrefNumber(registry, "width"), c.remembered.width * kTwipsPerPixel);
    EXPECT_EQ(PrefNumber(registry, "height"), c.remembered.height * kTwipsPerPixel);
  }
}

}  // namespace
