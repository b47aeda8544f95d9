#pragma once
// Facts about the running program: its product name, version and folder
// (the executable's folder, where the build puts templates and resources).

#include <QString>

namespace rt::App {

inline constexpr int kMajor = 6;
inline constexpr int kMinor = 0;
inline constexpr int kRevision = 2;

QString ProductName();  // "Stovrel"
QString Title();        // the program's title, the product name
// The program folder; tests may move it with SetPath.
QString Path();
void SetPath(const QString& folder);

}  // namespace rt::App
