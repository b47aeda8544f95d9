#include "services/CsvFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

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
  spans_.reserve(static_cast<size_t>(s.count(u',')) + 1);
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

namespace {

// The lines of bytes held in memory, ended as TextLineReader ends them: at CR, LF or
// CR LF; a line end at the very end starts no further line.
class LineCursor {
 public:
  explicit LineCursor(const QByteArray& bytes) : data_(bytes.constData()), size_(bytes.size()) {}

  // [begin, end) of the next line, without its line end; False at the end.
  bool Next(qsizetype& begin, qsizetype& end) {
    if (pos_ >= size_) return false;
    begin = pos_;
    end = pos_;
    while (end < size_ && data_[end] != '\r' && data_[end] != '\n') ++end;
    pos_ = end;
    if (pos_ < size_) {
      ++pos_;
      if (data_[end] == '\r' && pos_ < size_ && data_[pos_] == '\n') ++pos_;
    }
    return true;
  }
  qsizetype Pos() const { return pos_; }

 private:
  const char* data_;
  qsizetype size_;
  qsizetype pos_ = 0;
};

QByteArray Bytes(const QByteArray& all, qsizetype begin, qsizetype end) {
  while (begin < end && all[begin] == ' ') ++begin;
  while (end > begin && all[end - 1] == ' ') --end;
  return QByteArray::fromRawData(all.constData() + begin, end - begin);
}

}  // namespace

bool CsvFile::Read(const QString& path, const Progress& progress) {
  *this = CsvFile();
  path_ = path;
  QFile file(path);
  // Why the file cannot be read, as a sentence.
  const auto reason = [&] {
    QString text = QFileInfo(path).isDir() ? QStringLiteral("It is a folder, not a file.") : file.errorString();
    if (!text.endsWith(u'.')) text += u'.';
    return text;
  };
  const auto fail = [&](const QString& error, bool cancelled) {
    *this = CsvFile();
    path_ = path;
    error_ = error;
    cancelled_ = cancelled;
    return false;
  };
  if (!file.open(QIODevice::ReadOnly)) return fail(reason(), false);
  // The work reported: reading the bytes, then splitting them into rows.
  const qint64 size = file.size();
  const qint64 work = 2 * size;
  const auto step = [&](qint64 done) { return !progress || progress(done, work); };
  if (!step(0)) return fail(QString(), true);
  QByteArray all;
  all.reserve(size);
  for (;;) {
    constexpr qint64 kChunk = 1 << 20;
    const QByteArray chunk = file.read(kChunk);
    if (chunk.isEmpty()) break;
    all += chunk;
    if (!step(std::min<qint64>(all.size(), size))) return fail(QString(), true);
  }
  if (file.error() != QFileDevice::NoError) return fail(reason(), false);
  file.close();

  TextEncoding encoding;
  encoding.Note(all);
  LineCursor lines(all);
  qsizetype begin = 0;
  qsizetype end = 0;
  if (lines.Next(begin, end)) {
    if (all.startsWith("\xEF\xBB\xBF")) begin = std::min<qsizetype>(3, end);
    heading_ = encoding.Decode(Bytes(all, begin, end));
    hasHeading_ = true;
  }
  // [begin, end) of each row and its line, decoded once all are known.
  struct Span {
    int32_t line;
    qsizetype begin, end;
  };
  std::vector<Span> spans;
  constexpr int32_t kStride = 4096;
  for (int32_t n = 2; lines.Next(begin, end); ++n) {
    if (n % kStride == 0 && !step(size + lines.Pos())) return fail(QString(), true);
    ++linesAfterHeading_;
    QuotedBreak quoted;
    quoted.Feed(QByteArray::fromRawData(all.constData() + begin, end - begin));
    if (!quoted.Inside()) {
      spans.push_back({n, begin, end});
      continue;
    }
    // A quoted value goes on over the line break: its row is the lines up to the one
    // that closes it, line ends as the file has them, numbered by its first line.
    std::vector<std::pair<qsizetype, qsizetype>> parts{{begin, end}};
    qsizetype b = 0;
    qsizetype e = 0;
    while (quoted.Inside() && lines.Next(b, e)) {
      quoted.Feed(QByteArray::fromRawData(all.constData() + b, e - b));
      parts.emplace_back(b, e);
    }
    const auto more = static_cast<int32_t>(parts.size()) - 1;
    linesAfterHeading_ += more;
    if (!quoted.Inside()) {
      spans.push_back({n, begin, parts.back().second});
    } else {
      // Never closed: no value spans the lines, each is a row of its own.
      for (int32_t k = 0; k <= more; ++k) {
        const auto& [b0, e0] = parts[static_cast<size_t>(k)];
        spans.push_back({n + k, b0, e0});
      }
    }
    n += more;
  }
  rows_.reserve(spans.size());
  for (const Span& span : spans) {
    const QByteArray bytes = Bytes(all, span.begin, span.end);
    if (!bytes.isEmpty()) rows_.emplace_back(span.line, encoding.Decode(bytes));
  }
  return step(work) || fail(QString(), true);
}
