// The program's first start under a window manager: the real program on an Xvfb and an
// openbox of the test's own, with a fresh settings folder holding a remembered placement,
// closed with its Exit key as a user would.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/registry/Hive.h"
#include "tests/platform/ui/x11/Xvfb.h"

namespace {

using x11test::Rect;

// Bounds for a stuck server or program, not a speed expected (ms).
constexpr int kBound = 120000;
constexpr int kTwipsPerPixel = 15;  // the display's 96 dots per inch
// The placement's values in the registry.
const std::pair<const char*, int Rect::*> kPlacement[] = {
    {"left", &Rect::x}, {"top", &Rect::y}, {"width", &Rect::width}, {"height", &Rect::height}};

std::string Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

Rect Twips(const Rect& pixels) {
  Rect twips;
  for (const auto& [name, part] : kPlacement) twips.*part = pixels.*part * kTwipsPerPixel;
  return twips;
}

// The placement saved in the registry file of `folder`, in twips; -1 for a value missing.
Rect SavedPlacement(const QString& folder) {
  const reg::Hive hive = reg::Hive::Parse(Read(folder + QStringLiteral("/HKEY_CURRENT_USER.hive")));
  const reg::Key* pref = hive.FindKey("Software\\Dornvale\\Stovrel\\Pref");
  Rect saved;
  for (const auto& [name, part] : kPlacement) {
    const reg::Value* value = pref != nullptr ? pref->FindValue(name) : nullptr;
    saved.*part = value != nullptr ? std::atoi(value->data.c_str()) : -1;  // the text may end with its NUL
  }
  return saved;
}

// The remembered window comes up whole on the screen, as near as the screen lets it to
// where it was (its frame's corner at the remembered position), at its size, and the
// position saved on exit is the frame's shown place.
TEST(FirstStartPlacementTest, ShowsTheRememberedFrameInsideTheScreenAndSavesWhereItIs) {
  if (const char* tool = x11test::Missing({"Xvfb", "openbox", "xdotool"})) GTEST_SKIP() << tool << " is not installed";
  const struct {
    int screenWidth, screenHeight;
    Rect remembered;  // the frame's position and the inside's size, in pixels
  } cases[] = {
      {800, 600, {700, 500, 400, 300}},   // right and bottom borders past the screen's edges
      {800, 600, {300, 200, 600, 500}},   // the same, a window nearly the screen's size
      {1366, 768, {700, 500, 400, 300}},  // the bottom border alone past the edge
      {1366, 768, {100, 80, 600, 500}},   // whole on the screen: it stays where it was
  };
  for (const auto& c : cases) {
    const std::string size = std::to_string(c.screenWidth) + 'x' + std::to_string(c.screenHeight);
    SCOPED_TRACE(testing::Message() << size << " screen, window " << c.remembered);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString registry = folder.filePath(QStringLiteral("reg")), home = folder.filePath(QStringLiteral("home")),
                  tmp = folder.filePath(QStringLiteral("tmp"));
    for (const QString& dir : {registry, home, tmp}) ASSERT_TRUE(QDir().mkpath(dir));
    {
      QFile hive(registry + QStringLiteral("/HKEY_CURRENT_USER.hive"));
      ASSERT_TRUE(hive.open(QIODevice::WriteOnly));
      QByteArray text = "[Software\\Dornvale\\Stovrel\\Pref]\n\"windowstate\"=sz:\"0\"\n";
      for (const auto& [name, part] : kPlacement)
        text += '"' + QByteArray(name) + "\"=sz:\"" + QByteArray::number(Twips(c.remembered).*part) + "\"\n";
      hive.write(text);
    }

    const x11test::Xvfb server(size);
    ASSERT_NE(server.Name(), ":") << "Xvfb did not start";
    const x11test::Display display(server.Name());
    ASSERT_TRUE(display.Open());
    const std::string log = folder.filePath(QStringLiteral("log")).toStdString();
    const std::vector<std::string> env{"DISPLAY=" + server.Name(), "HOME=" + home.toStdString(),
                                       "TMPDIR=" + tmp.toStdString(), "XDG_RUNTIME_DIR=" + tmp.toStdString(),
                                       "XDG_CONFIG_HOME=" + home.toStdString() + "/.config",
                                       "STOVREL_REGISTRY_DIR=" + registry.toStdString(), "QT_QPA_PLATFORM=xcb",
                                       "DBUS_SESSION_BUS_ADDRESS=disabled:"};
    // Programs of the test, sent SIGTERM when still running at the end.
    const auto run = [&](std::vector<std::string> argv) {
      return [&env, &log, argv](int, int) { return x11test::Exec(argv, env, log); };
    };
    const proctest::Child manager(run({"openbox", "--sm-disable"}), SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !display.Cardinals("_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).empty(); }, kBound))
        << "openbox did not start";

    proctest::Child program(run({STOVREL_PROGRAM}), SIGTERM);
    // Started once the splash has gone and the main window alone is left, and active.
    xcb_window_t main = XCB_NONE;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          const std::vector<xcb_window_t> clients = display.ClientsOf(program.pid());
          main = clients.size() == 1 ? clients[0] : XCB_NONE;
          return main != XCB_NONE && display.Cardinals("_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW) == clients;
        },
        kBound))
        << "the main window did not come up alone; the program wrote: " << Read(QString::fromStdString(log));

    // Placed once two reads half a second apart agree.
    std::optional<Rect> frame, before;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          before = std::exchange(frame, display.Geometry(main, true));
          if (frame && before && *frame == *before) return true;
          std::this_thread::sleep_for(std::chrono::milliseconds(500));
          return false;
        },
        kBound));
    const std::optional<Rect> inside = display.Geometry(main, false);
    ASSERT_TRUE(inside.has_value());
    EXPECT_GE(frame->x, 0);
    EXPECT_GE(frame->y, 0);
    EXPECT_LE(frame->x + frame->width, c.screenWidth) << "the right border is off the screen: " << *frame;
    EXPECT_LE(frame->y + frame->height, c.screenHeight) << "the bottom border is off the screen: " << *frame;
    const Rect shown{std::min(c.remembered.x, c.screenWidth - frame->width),
                     std::min(c.remembered.y, c.screenHeight - frame->height), c.remembered.width,
                     c.remembered.height};
    EXPECT_EQ((Rect{frame->x, frame->y, inside->width, inside->height}), shown);
    const Rect toSave{frame->x, frame->y, c.remembered.width, c.remembered.height};

    // File > Exit by its key, sent to the active main window.
    EXPECT_EQ(proctest::Child(run({"xdotool", "key", "--clearmodifiers", "ctrl+x"})).Finish(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !program.Running(); }, kBound)) << "the program did not end";
    EXPECT_EQ(program.Finish(), 0) << Read(QString::fromStdString(log));
    EXPECT_EQ(SavedPlacement(registry), Twips(toSave));
  }
}

}  // namespace
