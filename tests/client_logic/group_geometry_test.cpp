#include "view/group_geometry.h"

#include <gtest/gtest.h>

#include <ostream>

// Found by argument lookup next to GridCell, for the failure messages.
static std::ostream& operator<<(std::ostream& os, const GridCell& c) {
  return os << "(" << c.row << "," << c.column << ")";
}

TEST(GroupGeometry, MemberCells) {
  const struct {
    int member;
    std::optional<GridCell> cell;
  } cases[] = {{0, GridCell{0, 0}}, {1, GridCell{0, 1}}, {2, GridCell{1, 0}},
               {3, GridCell{1, 1}}, {4, std::nullopt},   {-1, std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(groupGridCell(c.member), c.cell) << c.member;
}

// Scale factors of real screens (width / 1920 * 0.5, height / 1080 * 0.5).
TEST(GroupGeometry, MosaicCellAndPanelMargin) {
  const struct {
    int screenW, screenH;
    QSize cell;
    int topMargin;
  } cases[] = {
      {3840, 2160, {196, 88}, 96}, {1920, 1080, {98, 44}, 48},
      {1366, 768, {69, 31}, 34},    // 139.45 / 2, 62.58 / 2; 34.13
      {2560, 1440, {130, 58}, 64},  // 261.33 / 2, 117.33 / 2; 64
      {1680, 1050, {85, 42}, 46},   // 171.5 / 2, 85.55 / 2; 46.67
  };
  for (const auto& c : cases) {
    const double ws = c.screenW / 1920.0 * 0.5;
    const double hs = c.screenH / 1080.0 * 0.5;
    EXPECT_EQ(mosaicCellSize(ws, hs), c.cell) << c.screenW << "x" << c.screenH;
    EXPECT_EQ(groupPanelTopMargin(hs), c.topMargin) << c.screenH;
  }
}
