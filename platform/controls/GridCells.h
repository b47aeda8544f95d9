#pragma once
// CellColumn: the cells of one grid column. A cell is eight bytes: empty, a 48-bit
// integer, a double, or a text; texts of up to three UTF-16 units live in the
// cell itself, longer ones in the column's pools (Latin-1 bytes when every character
// fits, else UTF-16; over 65535 units, a string of its own); a text repeating one
// written lately shares its copy (columns whose texts do not repeat stop looking, but
// for one text in 16). ToString() gives back exactly the text written through SetText.
// Dead pool space is compacted once it passes 2^20 units and half the pools; cleared
// pools give their room back. A column whose cells are all empty holds no room for
// them: it takes room at its first written cell, and one emptied lets its room go when
// it next grows. A column whose cells are all empty or integers of 32 bits (ids), but
// up to 64 (a heading), holds four bytes a cell and those few aside; one more, and its
// cells become eight bytes each. Not thread-safe; value type.

#include <QString>
#include <QStringView>
#include <bit>
#include <cstdint>
#include <vector>

#include "platform/controls/GridMemory.h"

namespace ctl::grid {

// A cell is a double unless its top 13 bits are all set (see GridCells.cpp).
inline constexpr uint64_t kCellBox = 0xFFF8'0000'0000'0000ULL;
inline constexpr uint64_t kEmptyCell = kCellBox;  // tag 0, no payload

enum class CellKind : uint8_t { Empty, Int, Double, Text };

// A text cell's characters without a copy: Latin-1 bytes or UTF-16 units. Valid until
// the column changes.
struct TextRef {
  const char* latin1 = nullptr;
  const char16_t* utf16 = nullptr;
  qsizetype size = 0;
  char16_t inlineUnits[3] = {};  // characters of an in-cell text (utf16 points here)

  TextRef() = default;
  TextRef(const TextRef& other) { *this = other; }
  TextRef& operator=(const TextRef& other);
  QString ToString() const;
  char16_t Unit(qsizetype i) const;
  // Case-insensitive comparison, unit by unit after case folding.
  int CompareNoCase(const TextRef& other) const;
  // The first four folded units as one number: ordering by it, then by CompareNoCase,
  // is the CompareNoCase order.
  uint64_t FoldedPrefix() const;
};

class CellColumn {
 public:
  size_t Size() const { return size_; }
  // The room of the cell arrays, in bytes.
  size_t CellBytes() const { return cells_.capacity() * sizeof(uint64_t) + narrow_.capacity() * sizeof(uint32_t); }
  // Room let go of goes to `spares`, and growth takes room from there, when given; a
  // column without room yet takes it from there at its first written cell, so `spares`
  // must outlive the column. A column of four-byte cells keeping cells aside (a heading
  // over texts) grows as one of eight-byte cells, unless `ids` (a column of list ids).
  void Resize(size_t rows, SpareBlocks* spares = nullptr, bool ids = false);
  // Hands the cells' room to `spares`; the column is left without rows.
  void GiveRoom(SpareBlocks& spares);
  void Insert(size_t row);
  void Erase(size_t row);
  // Erases the cells at `rows` (ascending, distinct) in one pass.
  void EraseRows(const std::vector<int>& rows);
  // Every cell empty; the pools are released.
  void Clear();

  // A canonical integer text ("-12", "0"; at most 14 digits) is stored as a number,
  // which reads back as the same text; any other text is stored as written.
  void SetText(size_t row, QStringView text);
  void SetInt(size_t row, int64_t value);  // outside 48 bits: kept as its decimal text
  void SetDouble(size_t row, double value);
  void SetEmpty(size_t row);
  // Cell `row` takes the contents of cell `from`, sharing its stored text (a text too
  // long for the pools is copied).
  void CopyCell(size_t from, size_t row);
  // Cell `row` takes `raw`, the Raw() of a cell read while Generation() was `generation`;
  // false, changing nothing, when stored texts have moved since or `raw` holds a text
  // too long to share (then CopyCell from that cell does it).
  bool SetRaw(size_t row, uint64_t raw, uint32_t generation);
  // Changes whenever stored texts move (compaction, Clear).
  uint32_t Generation() const { return generation_; }

  CellKind Kind(size_t row) const {
    const uint64_t cell = Raw(row);
    if ((cell & kCellBox) != kCellBox) return CellKind::Double;
    switch ((cell >> 48) & 0x7) {
      case 0: return CellKind::Empty;
      case 1: return CellKind::Int;
      default: return CellKind::Text;
    }
  }
  // The cell's eight bytes: equal for equal numbers, and for equal texts that share
  // one stored copy.
  uint64_t Raw(size_t row) const {
    if (!cells_.empty()) return cells_[row];
    if (narrow_.empty()) return kEmptyCell;
    const uint32_t narrow = narrow_[row];
    return narrow == kNarrowAside ? Aside(row)->second : Widened(narrow);
  }
  // Int cells: the 48-bit payload sign-extended.
  int64_t IntValue(size_t row) const { return static_cast<int64_t>(Raw(row) << 16) >> 16; }
  // Int and Double cells.
  double DoubleValue(size_t row) const {
    const uint64_t cell = Raw(row);
    if ((cell & kCellBox) != kCellBox) return std::bit_cast<double>(cell);
    return Kind(row) == CellKind::Int ? static_cast<double>(IntValue(row)) : 0.0;
  }
  TextRef Text(size_t row, bool* isText = nullptr) const;  // Text cells
  // The cell as text: numbers as CStr writes them, empty as "".
  QString ToString(size_t row) const;

  // Reorders the cells: new cell first + i = old cell order[i].
  void Permute(size_t first, const BigVector<uint32_t>& order, PermuteRoom& room);

 private:
  TextRef RefOf(uint64_t cell) const;
  uint64_t EncodeText(QStringView text);
  // Stores `cell` at `row`, giving up the stored text it replaces; the first cell that
  // is not empty gives the column its room.
  void Put(size_t row, uint64_t cell);
  // Four-byte cells: an integer of 32 bits but the lowest two, which stand for an empty
  // cell and a cell kept aside.
  static constexpr uint32_t kNarrowEmpty = 0x8000'0000u;
  static constexpr uint32_t kNarrowAside = 0x8000'0001u;
  static constexpr size_t kAsideMax = 64;  // beyond, the cells become eight bytes each
  static uint64_t Widened(uint32_t narrow) {
    return narrow == kNarrowEmpty ? kEmptyCell : kIntCell | (static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(narrow))) & kPayload);
  }
  // Makes the cells eight bytes each.
  void Widen();
  // The entry of a cell kept aside.
  std::vector<std::pair<size_t, uint64_t>>::const_iterator Aside(size_t row) const;
  // Drops the cells kept aside at rows [from, end) and moves those below by `shift`.
  void DropAside(size_t from, size_t end, ptrdiff_t shift);
  // Gives up a cell's stored text; numbers and in-cell texts hold none (tags below 5).
  void Release(uint64_t cell) {
    if ((cell & kCellBox) == kCellBox && ((cell >> 48) & 0x7) >= 5) ReleaseStored(cell);
  }
  void ReleaseStored(uint64_t cell);
  void MaybeCompact();

  static constexpr uint64_t kIntCell = kEmptyCell | uint64_t{1} << 48;  // tag 1
  static constexpr uint64_t kPayload = 0x0000'FFFF'FFFF'FFFFULL;
  // size_ cells in one of them, or in neither while every cell is empty.
  BigVector<uint64_t> cells_;
  BigVector<uint32_t> narrow_;
  std::vector<std::pair<size_t, uint64_t>> aside_;  // by row: the narrow cells' other values
  size_t size_ = 0;
  SpareBlocks* spares_ = nullptr;  // where room comes from, when given to Resize
  BigVector<char> latin1_;
  BigVector<char16_t> utf16_;
  std::vector<QString> long_;
  struct Recent {
    uint64_t cell = 0;  // not a text cell
    uint64_t hash = 0;
  };
  std::vector<Recent> recent_;  // hash-indexed cells of recently stored texts
  size_t garbage_ = 0;            // pool units no longer referenced (estimate)
  bool sharing_ = true;           // texts are looked up in recent_ before being stored
  uint32_t lookups_ = 0, hits_ = 0, sampleCount_ = 0;
  uint32_t generation_ = 0;
};

}  // namespace ctl::grid
