#pragma once
// Handing a file, folder, web address or e-mail address to the desktop so that the
// program associated with it opens it. ui::ShellExecute forwards to the installed
// Shell: production opens through QDesktopServices (executables start detached);
// tests install a fake that records the calls (platform/ui/testing/TestPrompts.h).
// Results follow the classic convention: a value of 32 or below is a failure.

#include <QString>

namespace ui {

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;

// Results.
inline constexpr int kShellOutOfResources = 0;
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;
inline constexpr int kShellAccessDenied = 5;
inline constexpr int kShellNoAssociation = 31;
inline constexpr int kShellOk = 42;  // any value above 32 means success

inline bool ShellSucceeded(int result) { return result > 32; }

class Shell {
 public:
  virtual ~Shell() = default;
  virtual int ShellExecute(const QString& verb, const QString& file, const QString& params,
                           const QString& dir, int showCmd) = 0;
};

// The installed shell (production unless a test installed another).
Shell& CurrentShell();
// Installs `shell` (not owned; nullptr restores production); returns the previous one,
// or nullptr when that was production.
Shell* SetShell(Shell* shell);

// `file` may be a path (file or folder), an http(s) address or a mailto: address.
int ShellExecute(const QString& verb, const QString& file, const QString& params = {},
                 const QString& dir = {}, int showCmd = SW_SHOWNORMAL);

}  // namespace ui
