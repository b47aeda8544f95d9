#include "shell/TileLayout.h"

#include <algorithm>
#include <climits>

namespace shell {

namespace {

// Splits `length` among items that need at least `least` each: one that needs more than
// an even share gets what it needs, the others share the rest.
std::vector<int> Shares(const std::vector<int>& least, int length) {
  const int n = static_cast<int>(least.size());
  std::vector<bool> needy(least.size(), false);
  int share = n > 0 ? length / n : 0;
  for (bool changed = true; changed;) {
    changed = false;
    int needed = 0;
    int others = 0;
    for (size_t i = 0; i < least.size(); ++i) {
      if (!needy[i] && least[i] > share) {
        needy[i] = true;
        changed = true;
      }
      if (needy[i]) {
        needed += least[i];
      } else {
        ++others;
      }
    }
    share = others > 0 ? std::max(0, length - needed) / others : 0;
  }
  std::vector<int> sizes;
  for (const int l : least) sizes.push_back(std::max(share, l));
  return sizes;
}

// The windows' minimums in the direction of their band (along) and across it.
struct Least {
  std::vector<int> along, across;
};

// The sizes (windows in each, in order) of `count` bands of at most `most` windows each,
// each band's minimums fitting `along` and the bands' thickest minimums together
// `across`, the earlier bands the fuller; empty when there are none.
std::vector<int> Bands(const Least& least, int count, int most, int along, int across) {
  const int n = static_cast<int>(least.along.size());
  // The thickest minimum of windows [i, i + s) when their minimums fit along, else -1.
  const auto thickness = [&](int i, int s) {
    int sum = 0;
    int thickest = 0;
    for (int k = i; k < i + s; ++k) {
      sum += least.along[static_cast<size_t>(k)];
      thickest = std::max(thickest, least.across[static_cast<size_t>(k)]);
    }
    return sum <= along ? thickest : -1;
  };
  // thinnest[b][i]: the least thickness of windows [i, n) in b bands, INT_MAX for none.
  std::vector<std::vector<int>> thinnest(static_cast<size_t>(count) + 1,
                                         std::vector<int>(static_cast<size_t>(n) + 1, INT_MAX));
  thinnest[0][static_cast<size_t>(n)] = 0;
  for (int b = 1; b <= count; ++b) {
    for (int i = n - 1; i >= 0; --i) {
      int& best = thinnest[static_cast<size_t>(b)][static_cast<size_t>(i)];
      for (int s = 1; s <= std::min(most, n - i); ++s) {
        const int rest = thinnest[static_cast<size_t>(b) - 1][static_cast<size_t>(i + s)];
        const int t = thickness(i, s);
        if (t >= 0 && rest != INT_MAX) best = std::min(best, t + rest);
      }
    }
  }
  if (thinnest[static_cast<size_t>(count)][0] > across) return {};
  std::vector<int> bands;
  for (int i = 0, b = count, left = across; b > 0; --b) {
    for (int s = std::min(most, n - i); s >= 1; --s) {
      const int rest = thinnest[static_cast<size_t>(b) - 1][static_cast<size_t>(i + s)];
      const int t = thickness(i, s);
      if (t >= 0 && rest != INT_MAX && t + rest <= left) {
        bands.push_back(s);
        i += s;
        left -= t;
        break;
      }
    }
  }
  return bands;
}

// The windows' minimums in the direction of a band of `horizontally` tiled windows.
Least LeastOf(const std::vector<QSize>& least, bool horizontally) {
  Least l;
  for (const QSize& s : least) {
    l.along.push_back(horizontally ? s.height() : s.width());
    l.across.push_back(horizontally ? s.width() : s.height());
  }
  return l;
}

// The sizes of the fewest bands that give every window its minimum (the fewest windows
// in the fullest band); empty when there are none.
std::vector<int> FewestBands(const Least& l, int along, int across) {
  const int n = static_cast<int>(l.along.size());
  std::vector<int> bands;
  for (int count = 1; count <= n && bands.empty(); ++count) {
    if (Bands(l, count, n - count + 1, along, across).empty()) continue;
    for (int most = (n + count - 1) / count; bands.empty(); ++most) bands = Bands(l, count, most, along, across);
  }
  return bands;
}

}  // namespace

std::vector<QRect> LayOutTiles(QSize room, const std::vector<QSize>& least, bool horizontally, int scrollBar) {
  const int n = static_cast<int>(least.size());
  std::vector<QRect> tiles;
  if (n == 0) return tiles;
  int along = horizontally ? room.height() : room.width();
  int across = horizontally ? room.width() : room.height();
  Least l = LeastOf(least, horizontally);
  std::vector<int> bands = FewestBands(l, along, across);
  if (bands.empty()) {
    // Bands the other way round, where only they keep every window inside the area.
    const Least other = LeastOf(least, !horizontally);
    if (!FewestBands(other, across, along).empty()) return LayOutTiles(room, least, !horizontally, scrollBar);
  }
  if (bands.empty()) {
    // A band per window; what still does not fit, the area scrolls to, its scroll bar
    // taking room from the other direction.
    bands.assign(static_cast<size_t>(n), 1);
    const bool fitsAlong = *std::max_element(l.along.begin(), l.along.end()) <= along;
    int thickness = 0;
    for (const int t : l.across) thickness += t;
    if (!fitsAlong) across -= scrollBar;
    if (thickness > across) along -= scrollBar;
  }
  std::vector<int> bandLeast;
  for (size_t b = 0, i = 0; b < bands.size(); i += static_cast<size_t>(bands[b++])) {
    bandLeast.push_back(*std::max_element(l.across.begin() + static_cast<std::ptrdiff_t>(i),
                                          l.across.begin() + static_cast<std::ptrdiff_t>(i) + bands[b]));
  }
  const std::vector<int> bandSizes = Shares(bandLeast, across);
  int bandAt = 0;
  for (size_t b = 0, i = 0; b < bands.size(); ++b) {
    const auto first = l.along.begin() + static_cast<std::ptrdiff_t>(i);
    const std::vector<int> sizes = Shares(std::vector<int>(first, first + bands[b]), along);
    int at = 0;
    for (const int size : sizes) {
      tiles.push_back(horizontally ? QRect(bandAt, at, bandSizes[b], size) : QRect(at, bandAt, size, bandSizes[b]));
      at += size;
      ++i;
    }
    bandAt += bandSizes[b];
  }
  return tiles;
}

}  // namespace shell
