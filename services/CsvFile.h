#pragma once
// CsvFile: a CSV file read once for every step of an import (heading check, row checks,
// preview, import). Lines end at CR, LF or CR LF; a UTF-8 byte-order mark is skipped;
// the whole file is UTF-8 when it has that mark or is valid UTF-8 throughout, else code
// page 1252 (TextEncoding). Every line is trimmed of blanks.
// A line break inside a quoted value (one that begins with a double quote) is part of
// the value: the row goes on over the next line, as spreadsheets write a cell of
// several lines; a quoted value never closed spans nothing.
//
// Line 1 is the heading row, split at every comma (quotes mean nothing there). Every
// later non-empty line is one data row, split at every comma outside double-quoted
// stretches, a double quote toggling the state, so a doubled quote inside a quoted value
// leaves it unchanged. No other character splits. Cells are trimmed; a cell's value is
// CsvFieldValue of it.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <vector>

// The value of one trimmed cell: empty for exactly two double quotes; a cell longer
// than two characters that begins and ends with a double quote loses them and has every
// doubled quote made single; any other cell unchanged.
QString CsvFieldValue(QStringView cell);

// The cells of the heading line, 1-based (entry 0 unused): cut at every comma, each
// trimmed of blanks and upper-cased.
QStringList CsvHeadings(const QString& line);

// One non-empty data line: its text (trimmed) and where its cells lie in it.
class CsvRow {
 public:
  CsvRow() = default;
  CsvRow(int32_t line, QString text);

  int32_t Line() const { return line_; }  // physical line number of its first line; the heading is line 1
  const QString& Text() const { return text_; }
  int Count() const { return static_cast<int>(spans_.size()); }
  // Cell i (1 to Count()), trimmed, quotes as written.
  QStringView Cell(int i) const;
  // The value of cell i (CsvFieldValue); empty for a cell past the end.
  QString Value(int i) const;

 private:
  struct Span {
    int32_t start;
    int32_t size;
  };
  int32_t line_ = 0;
  QString text_;
  std::vector<Span> spans_;
};

class CsvFile {
 public:
  // Told how far the reading is (`done` of `total`) now and then; returns False to stop it.
  using Progress = std::function<bool(qint64 done, qint64 total)>;

  // Reads the whole file; False when it cannot be opened or read (ErrorText says why,
  // a sentence) or `progress` stopped it (Cancelled), and nothing of it is kept.
  bool Read(const QString& path, const Progress& progress = {});

  const QString& Path() const { return path_; }
  const QString& ErrorText() const { return error_; }
  bool Cancelled() const { return cancelled_; }
  // False for an empty file: there is no heading row.
  bool HasHeading() const { return hasHeading_; }
  const QString& HeadingLine() const { return heading_; }
  // The lines after the heading, blank ones included.
  int32_t LinesAfterHeading() const { return linesAfterHeading_; }
  // The non-empty data lines, in file order.
  const std::vector<CsvRow>& Rows() const { return rows_; }

 private:
  QString path_;
  QString error_;
  bool cancelled_ = false;
  bool hasHeading_ = false;
  QString heading_;
  int32_t linesAfterHeading_ = 0;
  std::vector<CsvRow> rows_;
};
