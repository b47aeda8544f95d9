#pragma once
// mdlHelper: stateless helpers shared by the service object and the windows: shell
// open, file and folder tests, screen width, combo-box lookups by item id (item data =
// record id).

#include <QString>
#include <cstdint>

class QComboBox;

namespace mdlHelper {

// Shell "open" of `target`; returns the shell's result (32 or below: failure).
int ShellOpen(const QString& target, const QString& params = {});

// Shell "open" of `target`; the result is not examined, nothing is shown.
void HlpShellOpen(const QString& target);
// The service object's FileExists and DirExists: names are found whatever their letter
// case; false for the empty text, a folder is no file and a file no folder.
bool HlpFileExists(const QString& path);
bool HlpDirExists(const QString& path);
// `value`, or 0 when it is negative.
int16_t HlpNotBelowZero(int16_t value);
// Selects the first row whose item data equals `id`; leaves the selection as it was
// when no row carries it.
void HlpCboSelectAtID(QComboBox* cbo, int32_t id);
// The item data of the selected row; -1 when no row is selected.
int32_t HlpCboGetItemID(const QComboBox* cbo);
// Screen width in pixels: the width in twips made whole, times 1 / twips-per-pixel,
// rounded half to even.
int16_t HlpScreenWidthPix();
// True when HlpScreenWidthPix() < 800.
bool HlpIsLowRes();

}  // namespace mdlHelper
