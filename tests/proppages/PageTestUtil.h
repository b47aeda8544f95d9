#pragma once
// Pictures and picture files for page tests.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QString>

#include "platform/com/Picture.h"
#include "proppages/Dib.h"

namespace qvp::test {

// A true-colour bitmap of one colour.
inline QImage Solid(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Writes the image as a 24-bit .bmp file and returns its path.
inline QString BitmapFile(const QString& path, const QImage& image) {
  EXPECT_EQ(WriteDibFile(BitmapToPackedDib(image, nullptr, 24), path), DibWriteResult::kWritten);
  return path;
}

// A key pressed in a widget, as the keyboard would deliver it.
inline void PressKey(QWidget* widget, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

// Types the text into a widget, one key per character.
inline void TypeText(QWidget* widget, const QString& text) {
  for (QChar c : text) PressKey(widget, c.unicode(), QString(c));
}

}  // namespace qvp::test
