#pragma once
// Grid tests run at each of several ParallelRowsMin() values: in the caller alone
// (kParallelRowsMin) and with the rows split over ranges of few rows.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/controls/GridMemory.h"

namespace testenv {

// The fixture `Base`, with ParallelRowsMin() set to the test's parameter.
template <class Base>
class GridRowSplitTest : public Base, public ::testing::WithParamInterface<size_t> {
  ctl::grid::ScopedParallelRowsMin split_{GetParam()};
};

inline auto GridRowSplits(std::initializer_list<size_t> rowsMin = {ctl::grid::kParallelRowsMin, 1}) {
  return ::testing::ValuesIn(std::vector<size_t>(rowsMin));
}

inline std::string GridRowSplitName(size_t rowsMin) {
  return rowsMin == ctl::grid::kParallelRowsMin ? "InTheCaller" : "InRangesOf" + std::to_string(rowsMin);
}
inline std::string GridRowSplitTestName(const ::testing::TestParamInfo<size_t>& info) {
  return GridRowSplitName(info.param);
}

}  // namespace testenv
