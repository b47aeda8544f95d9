#include "shell/TileLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

QRect Transposed(const QRect& r) { return {r.y(), r.x(), r.height(), r.width()}; }

// Tiles for windows' minimums, vertically and (transposed) horizontally: the expected ones,
// none overlapping another or below its window's minimum, all inside the area just where none scrolls.
TEST(TileLayoutTest, FewestBandsThatGiveEveryWindowItsMinimum) {
  const QSize list(448, 162), report(330, 174), small(300, 160);
  const struct {
    const char* what;
    QSize room;
    std::vector<QSize> least;
    std::vector<QRect> tiles;  // tiled vertically
  } cases[] = {
      {"no window", {800, 600}, {}, {}},
      {"one band fits", {1000, 600}, {{200, 100}, {200, 100}, {200, 100}},
       {{0, 0, 333, 600}, {333, 0, 333, 600}, {666, 0, 333, 600}}},
      {"a window needing more than an even share", {1000, 600}, {{100, 100}, {600, 100}, {100, 100}},
       {{0, 0, 200, 600}, {200, 0, 600, 600}, {800, 0, 200, 600}}},
      {"two even bands rather than three and one", {654, 557}, {small, small, small, small},
       {{0, 0, 327, 278}, {327, 0, 327, 278}, {0, 278, 327, 278}, {327, 278, 327, 278}}},
      {"uneven bands where even ones do not fit", {654, 559}, {list, {267, 174}, {320, 174}, {267, 174}},
       {{0, 0, 654, 186}, {0, 186, 327, 186}, {327, 186, 327, 186}, {0, 372, 654, 186}}},
      {"a band per window, all fitting", {654, 700}, {list, report, report, report},
       {{0, 0, 654, 175}, {0, 175, 654, 175}, {0, 350, 654, 175}, {0, 525, 654, 175}}},
      {"bands the other way round where only they fit", {600, 600}, {{300, 500}, {300, 250}, {300, 250}},
       {{0, 0, 300, 600}, {300, 0, 300, 300}, {300, 300, 300, 300}}},
      {"too short even for a band per window: scrolls, beside the scroll bar", {654, 557},
       {list, report, report, report}, {{0, 0, 640, 162}, {0, 162, 640, 174}, {0, 336, 640, 174}, {0, 510, 640, 174}}},
      {"a window wider than the area: scrolls, above the scroll bar", {400, 600}, {{500, 100}, {100, 100}},
       {{0, 0, 500, 293}, {0, 293, 400, 293}}},
  };
  for (const auto& c : cases) {
    for (const bool horizontally : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.what << (horizontally ? ", horizontally" : ", vertically"));
      const QSize room = horizontally ? c.room.transposed() : c.room;
      std::vector<QSize> least = c.least;
      std::vector<QRect> expected = c.tiles;
      if (horizontally) {
        for (QSize& s : least) s.transpose();
        for (QRect& r : expected) r = Transposed(r);
      }
      const std::vector<QRect> tiles = shell::LayOutTiles(room, least, horizontally, 14);  // a 14-pixel scroll bar
      EXPECT_EQ(tiles, expected);
      ASSERT_EQ(tiles.size(), least.size());
      bool inside = true;
      for (size_t i = 0; i < tiles.size(); ++i) {
        EXPECT_GE(tiles[i].width(), least[i].width()) << i;
        EXPECT_GE(tiles[i].height(), least[i].height()) << i;
        inside = inside && QRect(QPoint(0, 0), room).contains(tiles[i]);
        for (size_t k = 0; k < i; ++k) EXPECT_FALSE(tiles[i].intersects(tiles[k])) << i << " " << k;
      }
      EXPECT_EQ(inside, std::string(c.what).find("scrolls") == std::string::npos);
    }
  }
}

}  // namespace
