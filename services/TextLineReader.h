#pragma once
// Reading text files the way the program reads CSV and text input: line by line, where
// CR, LF and CR LF each end a line, and each piece of text is UTF-8 when valid, else
// code page 1252. The file is read in 64 KiB chunks, so a file of any size streams.

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

// Text of bytes: UTF-8 when valid, else code page 1252.
inline QString DecodeTextBytes(const QByteArray& bytes) {
  bool ascii = true;
  for (const char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return QString::fromLatin1(bytes);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(bytes);
  if (!utf8.hasError()) return text;
  return rt::FromCp1252(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}
