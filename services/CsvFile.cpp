#include "services/CsvFile.h"

#include <QFile>
#include <QFileInfo>

#include "platform/runtime/Strings.h"
#include "services/TextLineReader.h"

namespace {

// [begin, end) of `text` without leading and trailing blanks.
void TrimSpan(QStringView text, qsizetype& begin, qsizetype& end) {
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
}

// Follows a data line's bytes to tell whether a line break after them lies inside a
// quoted value: a value whose first character (after blanks) is a double quote, not yet
// closed. Quotes toggle as in the split; a quote inside an unquoted value (5" bolt)
// starts no quoted value, so its line still ends at the line break.
class QuotedBreak {
 public:
  void Feed(const QByteArray& bytes) {
    for (const char c : bytes) {
      if (c == '"') {
        if (!inQuotes_ && cellStart_) quotedCell_ = true;
        inQuotes_ = !inQuotes_;
        cellStart_ = false;
      } else if (c == ',' && !inQuotes_) {
        cellStart_ = true;
        quotedCell_ = false;
      } else if (c != ' ' && !inQuotes_) {
        cellStart_ = false;
      }
    }
  }
  bool Inside() const { return inQuotes_ && quotedCell_; }

 private:
  bool inQuotes_ = false;
  bool cellStart_ = true;
  bool quotedCell_ = false;
};

}  // namespace

QString CsvFieldValue(QStringView cell) {
  qsizetype begin = 0;
  qsizetype end = cell.size();
  TrimSpan(cell, begin, end);
  const QStringView s = cell.sliced(begin, end - begin);
  if (s.size() == 2 && s == u"\"\"") return {};
  if (s.size() > 2 && s.front() == u'"' && s.back() == u'"') {
    QString inner = s.sliced(1, s.size() - 2).toString();
    inner.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return inner;
  }
  return s.toString();
}

QStringList CsvHeadings(const QString& line) {
  QStringList headings{QString()};
  for (const QString& cell : line.split(u',')) headings.append(rt::Trim(cell).toUpper());
  return headings;
}

CsvRow::CsvRow(int32_t line, QString text) : line_(line), text_(std::move(text)) {
  const QStringView s(text_);
  bool inQuotes = false;
  qsizetype start = 0;
  auto add = [&](qsizetype end) {
    qsizetype begin = start;
    TrimSpan(s, begin, end);
    spans_.push_back({static_cast<int32_t>(begin), static_cast<int32_t>(end - begin)});
  };
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == u'"') {
      inQuotes = !inQuotes;
    } else if (s[i] == u',' && !inQuotes) {
      add(i);
      start = i + 1;
    }
  }
  add(s.size());
}

QStringView CsvRow::Cell(int i) const {
  if (i < 1 || i > Count()) return {};
  const Span& span = spans_[static_cast<size_t>(i - 1)];
  return QStringView(text_).sliced(span.start, span.size);
}

QString CsvRow::Value(int i) const { return CsvFieldValue(Cell(i)); }

bool CsvFile::Read(const QString& path) {
  *this = CsvFile();
  path_ = path;
  QFile file(path);
  // Why the file cannot be read, as a sentence.
  const auto reason = [&] {
    QString text = QFileInfo(path).isDir() ? QStringLiteral("It is a folder, not a file.") : file.errorString();
    if (!text.endsWith(u'.')) text += u'.';
    return text;
  };
  if (!file.open(QIODevice::ReadOnly)) {
    error_ = reason();
    return false;
  }
  TextLineReader reader(file);
  TextEncoding encoding;
  QByteArray bytes;
  // The rows as bytes, decoded once the whole file has decided the encoding.
  std::vector<std::pair<int32_t, QByteArray>> rows;
  const auto addRow = [&](int32_t n, const QByteArray& row) { rows.emplace_back(n, row); };
  QByteArray heading;
  if (reader.Next(bytes)) {
    encoding.Note(bytes);
    heading = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    hasHeading_ = true;
  }
  for (int32_t n = 2; reader.Next(bytes); ++n) {
    ++linesAfterHeading_;
    encoding.Note(bytes);
    QuotedBreak quoted;
    quoted.Feed(bytes);
    if (!quoted.Inside()) {
      addRow(n, bytes);
      continue;
    }
    // A quoted value goes on over the line break: its row is the lines up to the one
    // that closes it, numbered by its first line.
    std::vector<QByteArray> lines{bytes};
    QByteArray next;
    while (quoted.Inside() && reader.Continue(bytes, next)) {
      encoding.Note(next);
      quoted.Feed(next);
      lines.push_back(next);
    }
    linesAfterHeading_ += static_cast<int32_t>(lines.size()) - 1;
    if (!quoted.Inside()) {
      addRow(n, bytes);
    } else {
      // Never closed: no value spans the lines, each is a row of its own.
      for (size_t k = 0; k < lines.size(); ++k) addRow(n + static_cast<int32_t>(k), lines[k]);
    }
    n += static_cast<int32_t>(lines.size()) - 1;
  }
  if (reader.Failed()) {
    const QString error = reason();
    *this = CsvFile();
    path_ = path;
    error_ = error;
    return false;
  }
  heading_ = rt::Trim(encoding.Decode(heading));
  for (const auto& [n, row] : rows) {
    QString text = rt::Trim(encoding.Decode(row));
    if (!text.isEmpty()) rows_.emplace_back(n, std::move(text));
  }
  return true;
}
