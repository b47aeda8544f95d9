#pragma once
// An X server of the test's own for the tests of this folder.

#include <string>

#include "tests/database/ProcessTestSupport.h"

namespace x11test {

// An Xvfb of `size` ("800x600") at 96 dots per inch on a free display, ended with the
// object: its name (":N"), ":" where Xvfb could not start.
class Xvfb {
 public:
  explicit Xvfb(const std::string& size)
      : xvfb_(
            [size](int, int ready) {
              dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
              const std::string fd = std::to_string(ready), screen = size + "x24";
              execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-dpi", "96", "-screen", "0",
                     screen.c_str(), nullptr);
              return 127;
            },
            SIGTERM),
        name_(':' + xvfb_.ReceiveAll('\n')) {}
  const std::string& Name() const { return name_; }

 private:
  proctest::Child xvfb_;
  std::string name_;
};

}  // namespace x11test
