#include "platform/controls/GridStyles.h"

#include <algorithm>
#include <functional>

namespace ctl::grid {

size_t GridStyles::LayoutHash::operator()(const Layout& l) const {
  size_t h = 1469598103934665603ULL;
  for (uint32_t id : l) h = (h ^ id) * 1099511628211ULL;
  return h;
}

size_t GridStyles::StyleHash::operator()(const CellStyle& s) const {
  return (size_t{s.backColor} * 31 + s.foreColor) * 31 + static_cast<size_t>((s.bold + 1) * 7 + s.alignment + 1);
}

GridStyles::GridStyles() { ClearAll(); }

void GridStyles::ClearAll() {
  styles_.assign(1, CellStyle{});
  styleIds_.clear();
  styleIds_.emplace(CellStyle{}, 0);
  layouts_.assign(1, Layout{});
  layoutIds_.clear();
  layoutIds_.emplace(Layout{}, 0);
  std::fill(rowLayout_.begin(), rowLayout_.end(), 0);
  memo_ = {};
  memoNext_ = 0;
}

const CellStyle& GridStyles::Style(size_t row, size_t col) const {
  const Layout& l = layouts_[rowLayout_[row]];
  return col < l.size() ? styles_[l[col]] : styles_[0];
}

bool GridStyles::MayBeBold(size_t col) const {
  return std::any_of(layouts_.begin(), layouts_.end(),
                     [&](const Layout& l) { return col < l.size() && styles_[l[col]].bold == 1; });
}

uint32_t GridStyles::InternStyle(const CellStyle& s) {
  auto [it, added] = styleIds_.emplace(s, static_cast<uint32_t>(styles_.size()));
  if (added) styles_.push_back(s);
  return it->second;
}

uint32_t GridStyles::InternLayout(Layout l) {
  while (!l.empty() && l.back() == 0) l.pop_back();
  auto [it, added] = layoutIds_.emplace(l, static_cast<uint32_t>(layouts_.size()));
  if (added) layouts_.push_back(std::move(l));
  return it->second;
}

// Replaces the layout of rows [r1, r2] by edit(layout); rows sharing a layout share the
// result, so each distinct layout is edited once.
template <typename Edit>
void GridStyles::Rewrite(size_t r1, size_t r2, Edit edit) {
  constexpr uint32_t kNotDone = 0xFFFF'FFFF;
  std::vector<uint32_t> done(layouts_.size(), kNotDone);  // per layout met: its result
  for (size_t r = r1; r <= r2; ++r) {
    uint32_t& result = done[rowLayout_[r]];
    if (result == kNotDone) {
      Layout l = layouts_[rowLayout_[r]];
      edit(l);
      result = InternLayout(std::move(l));
    }
    rowLayout_[r] = result;
  }
}

uint32_t GridStyles::Edited(uint32_t layout, size_t c1, size_t c2, StyleField field, uint32_t value) {
  for (const EditMemo& m : memo_)
    if (m.used && m.layout == layout && m.value == value && m.c1 == c1 && m.c2 == c2 && m.field == field)
      return m.result;
  Layout l = layouts_[layout];
  if (l.size() <= c2) l.resize(c2 + 1, 0);
  for (size_t c = c1; c <= c2; ++c) {
    CellStyle s = styles_[l[c]];
    switch (field) {
      case StyleField::BackColor: s.backColor = value; break;
      case StyleField::ForeColor: s.foreColor = value; break;
      case StyleField::Bold: s.bold = value ? 1 : 0; break;
      case StyleField::Alignment: s.alignment = static_cast<int8_t>(value); break;
    }
    l[c] = InternStyle(s);
  }
  EditMemo& m = memo_[memoNext_++ % memo_.size()];
  m = {layout, value, c1, c2, field, InternLayout(std::move(l)), true};
  return m.result;
}

void GridStyles::Set(size_t r1, size_t r2, size_t c1, size_t c2, StyleField field, uint32_t value) {
  if (r1 > r2) return;
  // A run of rows alike (a whole column styled) is edited once.
  uint32_t from = rowLayout_[r1];
  uint32_t to = Edited(from, c1, c2, field, value);
  for (size_t r = r1; r <= r2; ++r) {
    if (rowLayout_[r] != from) {
      from = rowLayout_[r];
      to = Edited(from, c1, c2, field, value);
    }
    rowLayout_[r] = to;
  }
}

void GridStyles::ClearRange(size_t r1, size_t r2, size_t c1, size_t c2) {
  Rewrite(r1, r2, [&](Layout& l) {
    for (size_t c = c1; c <= c2 && c < l.size(); ++c) l[c] = 0;
  });
}

void GridStyles::TruncateCols(size_t cols) {
  if (rowLayout_.empty()) return;
  Rewrite(0, rowLayout_.size() - 1, [&](Layout& l) {
    if (l.size() > cols) l.resize(cols);
  });
}

void GridStyles::Permute(size_t first, const BigVector<uint32_t>& order, PermuteRoom& room) {
  // Rows styled alike (all plain, or a whole column styled) stay as they are.
  const auto begin = rowLayout_.begin() + static_cast<ptrdiff_t>(first);
  if (std::adjacent_find(begin, begin + static_cast<ptrdiff_t>(order.size()), std::not_equal_to<>()) ==
      begin + static_cast<ptrdiff_t>(order.size()))
    return;
  PermuteInto(rowLayout_, first, order, room.narrow);
}

}  // namespace ctl::grid
