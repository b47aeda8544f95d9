#include "platform/ui/Colors.h"

#include <gtest/gtest.h>

// Red sits in the low byte; the top byte is ignored on the way in and zero on the way out.
TEST(Colors, BgrAndQColorRoundTrip) {
  struct Case {
    uint32_t bgr;
    QColor color;
  };
  const Case cases[] = {{0x0000FF, QColor(255, 0, 0)},
                        {0x00FF00, QColor(0, 255, 0)},
                        {0xC0FFFF, QColor(255, 255, 192)},
                        {0x123456, QColor(0x56, 0x34, 0x12)}};
  for (const Case& c : cases) {
    EXPECT_EQ(ui::ColorFromBgr(c.bgr), c.color) << std::hex << c.bgr;
    EXPECT_EQ(ui::BgrFromColor(c.color), c.bgr) << std::hex << c.bgr;
  }
  EXPECT_EQ(ui::ColorFromBgr(0x80123456), QColor(0x56, 0x34, 0x12));
}
