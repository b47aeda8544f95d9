#pragma once
// Reading text files the way the program reads CSV and text input: line by line, where
// CR, LF and CR LF each end a line, and a file is UTF-8 when valid as a whole, else
// code page 1252 (TextEncoding). The file is read in 64 KiB chunks.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <string_view>

#include "platform/runtime/Codepage.h"

// The lines of an open file, as bytes. The last line needs no line end; a line end at
// the very end of the file starts no further line.
class TextLineReader {
 public:
  explicit TextLineReader(QFile& file) : file_(file) {}

  // The next line without its line end; False at the end of the file.
  bool Next(QByteArray& line) {
    line.clear();
    lastEnd_ = 0;
    bool any = false;  // text of this line was read
    for (;;) {
      if (pos_ >= buffer_.size() && !Fill()) return any;
      if (skipLf_) {
        skipLf_ = false;
        if (buffer_[pos_] == '\n') {
          ++pos_;
          continue;
        }
      }
      const qsizetype start = pos_;
      while (pos_ < buffer_.size() && buffer_[pos_] != '\r' && buffer_[pos_] != '\n') ++pos_;
      line.append(buffer_.constData() + start, pos_ - start);
      any = any || pos_ > start;
      if (pos_ < buffer_.size()) {
        lastEnd_ = buffer_[pos_];
        skipLf_ = lastEnd_ == '\r';
        ++pos_;
        return true;
      }
    }
  }

  // Reads the next line into `next` and appends it to `line` after the line end that
  // ended the line read last, as the file has it (CR LF, LF or CR): for a line end that
  // belongs to the text (a line break inside a quoted CSV value). False, and `line`
  // unchanged, when no line follows.
  bool Continue(QByteArray& line, QByteArray& next) {
    if (lastEnd_ == 0) return false;
    QByteArray end(1, lastEnd_);
    if (skipLf_ && (pos_ < buffer_.size() || Fill()) && buffer_[pos_] == '\n') {
      skipLf_ = false;
      ++pos_;
      end += '\n';
    }
    if (!Next(next)) return false;
    line += end + next;
    return true;
  }

  // True when reading stopped at an error rather than at the end of the file.
  bool Failed() const { return file_.error() != QFileDevice::NoError; }

 private:
  bool Fill() {
    buffer_ = file_.read(kChunk);
    pos_ = 0;
    return !buffer_.isEmpty();
  }

  static constexpr qint64 kChunk = 64 * 1024;
  QFile& file_;
  QByteArray buffer_;
  qsizetype pos_ = 0;
  bool skipLf_ = false;
  char lastEnd_ = 0;  // the CR or LF that ended the last line; 0 at the end of the file
};

// The encoding of a file read in pieces (its lines), decided once for all of them:
// UTF-8 when the file begins with a UTF-8 byte-order mark or every piece is valid
// UTF-8, else code page 1252. Note every piece, then Decode any of them.
class TextEncoding {
 public:
  // One more piece of the file, the first one first.
  void Note(const QByteArray& piece) {
    if (first_ && piece.startsWith("\xEF\xBB\xBF")) bom_ = true;
    first_ = false;
    if (!utf8_ || IsAscii(piece)) return;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(piece);
    utf8_ = !utf8.hasError();
  }
  bool Utf8() const { return bom_ || utf8_; }
  QString Decode(const QByteArray& piece) const {
    if (IsAscii(piece)) return QString::fromLatin1(piece);
    if (Utf8()) return QString::fromUtf8(piece);
    return rt::FromCp1252(std::string_view(piece.constData(), static_cast<size_t>(piece.size())));
  }

 private:
  static bool IsAscii(const QByteArray& bytes) {
    for (const char c : bytes) {
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
  }

  bool first_ = true;
  bool bom_ = false;
  bool utf8_ = true;
};

// Text of bytes, a whole file or one piece of text on its own, decoded as TextEncoding
// decides.
inline QString DecodeTextBytes(const QByteArray& bytes) {
  TextEncoding encoding;
  encoding.Note(bytes);
  return encoding.Decode(bytes);
}
