#include "proppages/PageMessages.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace qvp {

void SubstituteMessageArgs(CPageString& text, std::initializer_list<const char*> args) {
  if (text.Length() == 0) return;
  const std::string_view message(text.Text(), static_cast<size_t>(text.Length()));
  struct Placeholder {
    size_t at;
    std::string_view argument;
  };
  std::vector<Placeholder> found;
  char digit = '1';
  for (const char* argument : args) {
    if (!argument || digit > '9') break;
    const char mark[] = {'|', digit++, '\0'};
    const size_t at = message.find(mark);
    if (at != std::string_view::npos) found.push_back({at, argument});
  }
  if (found.empty()) return;
  // Two placeholders never overlap: each is a bar followed by a digit.
  std::sort(found.begin(), found.end(),
            [](const Placeholder& a, const Placeholder& b) { return a.at < b.at; });
  std::string out;
  size_t from = 0;
  for (const Placeholder& p : found) {
    out.append(message.substr(from, p.at - from));
    out.append(p.argument);
    from = p.at + 2;
  }
  out.append(message.substr(from));
  text = out.c_str();
}

}  // namespace qvp
