#pragma once
// GridStyles: the per-cell settings of a grid (back and fore colour, bold, alignment)
// kept sparse. Each distinct cell style is stored once; each distinct row of cell
// styles (a layout) is stored once; a row holds only the 4-byte id of its layout, so
// banding a million rows costs a million ids. Not thread-safe.

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/controls/GridMemory.h"

namespace ctl::grid {

inline constexpr uint32_t kNoColor = 0xFFFF'FFFF;

struct CellStyle {
  uint32_t backColor = kNoColor;  // 0x00BBGGRR
  uint32_t foreColor = kNoColor;
  int8_t bold = -1;       // -1 not set, 0 or 1
  int8_t alignment = -1;  // -1 not set, else an alignment setting
  bool operator==(const CellStyle&) const = default;
};

enum class StyleField { BackColor, ForeColor, Bold, Alignment };

class GridStyles {
 public:
  GridStyles();

  const CellStyle& Style(size_t row, size_t col) const;
  // False when no cell of column `col` can be bold (no stored layout makes it so).
  bool MayBeBold(size_t col) const;
  // Sets one field of the cells [r1, r2] x [c1, c2].
  void Set(size_t r1, size_t r2, size_t c1, size_t c2, StyleField field, uint32_t value);

  // Row bookkeeping, kept in step with the cells.
  void ResizeRows(size_t rows) { ResizeReleasing(rowLayout_, rows, uint32_t{0}); }
  void ReserveRows(size_t rows) { rowLayout_.reserve(rows); }
  void InsertRow(size_t row) { rowLayout_.insert(rowLayout_.begin() + static_cast<ptrdiff_t>(row), 0); }
  void EraseRow(size_t row) { rowLayout_.erase(rowLayout_.begin() + static_cast<ptrdiff_t>(row)); }
  void EraseRows(const std::vector<int>& rows) { EraseAt(rowLayout_, rows); }
  void Permute(size_t first, const BigVector<uint32_t>& order, PermuteRoom& room);
  // Drops the styles of columns at or after `cols`.
  void TruncateCols(size_t cols);
  // Drops the styles of the cells [r1, r2] x [c1, c2].
  void ClearRange(size_t r1, size_t r2, size_t c1, size_t c2);
  void ClearAll();

 private:
  using Layout = std::vector<uint32_t>;  // style id per column
  struct LayoutHash {
    size_t operator()(const Layout& l) const;
  };
  struct StyleHash {
    size_t operator()(const CellStyle& s) const;
  };
  uint32_t InternStyle(const CellStyle& s);
  uint32_t InternLayout(Layout l);
  // The layout `layout` becomes when `field` of its columns [c1, c2] is set to `value`.
  uint32_t Edited(uint32_t layout, size_t c1, size_t c2, StyleField field, uint32_t value);
  template <typename Edit>
  void Rewrite(size_t r1, size_t r2, Edit edit);

  std::vector<CellStyle> styles_;
  std::unordered_map<CellStyle, uint32_t, StyleHash> styleIds_;
  std::vector<Layout> layouts_;
  std::unordered_map<Layout, uint32_t, LayoutHash> layoutIds_;
  BigVector<uint32_t> rowLayout_;
  // Recent edits and their results (layouts never change once stored), so that setting
  // rows one by one, as banding does, computes each distinct edit once.
  struct EditMemo {
    uint32_t layout = 0, value = 0;
    size_t c1 = 0, c2 = 0;
    StyleField field = StyleField::BackColor;
    uint32_t result = 0;
    bool used = false;
  };
  std::array<EditMemo, 8> memo_{};
  size_t memoNext_ = 0;  // the entry replaced next
};

}  // namespace ctl::grid
