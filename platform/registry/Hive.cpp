#include "platform/registry/Hive.h"

#include <charconv>

namespace reg {

namespace {

constexpr std::uint32_t kSz = 1;
constexpr std::uint32_t kDword = 4;
constexpr char kHexDigits[] = "0123456789abcdef";

unsigned char FoldByte(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A: return 0x9A;  // S caron
    case 0x8C: return 0x9C;  // OE
    case 0x8E: return 0x9E;  // Z caron
    case 0x9F: return 0xFF;  // Y diaeresis
    default: return c;
  }
}

bool IsPrintable(unsigned char c) { return c >= 0x20 && c < 0x7F; }

void AppendHexByte(std::string& out, unsigned char c) {
  out += kHexDigits[c >> 4];
  out += kHexDigits[c & 0xF];
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Two hex digits at text[pos]; -1 when they are not.
int HexByteAt(std::string_view text, size_t pos) {
  if (pos + 2 > text.size()) return -1;
  const int hi = HexValue(text[pos]);
  const int lo = HexValue(text[pos + 1]);
  return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

std::string Quote(std::string_view bytes) {
  std::string out = "\"";
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += ch;
    } else if (IsPrintable(c)) {
      out += ch;
    } else {
      out += "\\x";
      AppendHexByte(out, c);
    }
  }
  out += '"';
  return out;
}

// Reads a quoted text starting at line[pos] == '"'; pos moves past the closing quote.
bool Unquote(std::string_view line, size_t& pos, std::string& out) {
  if (pos >= line.size() || line[pos] != '"') return false;
  out.clear();
  for (size_t i = pos + 1; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      pos = i + 1;
      return true;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i + 1 >= line.size()) return false;
    const char e = line[i + 1];
    if (e == '\\' || e == '"') {
      out += e;
      ++i;
    } else if (e == 'x') {
      const int b = HexByteAt(line, i + 2);
      if (b < 0) return false;
      out += static_cast<char>(b);
      i += 3;
    } else {
      return false;
    }
  }
  return false;
}

std::string EscapeKeyPath(std::string_view path) {
  std::string out;
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsPrintable(c) && c != '%') {
      out += ch;
    } else {
      out += '%';
      AppendHexByte(out, c);
    }
  }
  return out;
}

bool UnescapeKeyPath(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const int b = HexByteAt(text, i + 1);
    if (b < 0) return false;
    out += static_cast<char>(b);
    i += 2;
  }
  return true;
}

std::string FormatData(const Value& v) {
  if (v.type == kSz) return "sz:" + Quote(v.data);
  std::string out;
  if (v.type == kDword && v.data.size() == 4) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[i]);
    out = "dword:";
    for (int shift = 28; shift >= 0; shift -= 4) out += kHexDigits[(n >> shift) & 0xF];
    return out;
  }
  out = "hex(" + std::to_string(v.type) + "):";
  for (size_t i = 0; i < v.data.size(); ++i) {
    if (i) out += ',';
    AppendHexByte(out, static_cast<unsigned char>(v.data[i]));
  }
  return out;
}

bool ParseData(std::string_view text, Value& v) {
  if (text.starts_with("sz:")) {
    size_t pos = 3;
    v.type = kSz;
    return Unquote(text, pos, v.data) && pos == text.size();
  }
  if (text.starts_with("dword:")) {
    const std::string_view digits = text.substr(6);
    std::uint32_t n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n, 16);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty()) return false;
    v.type = kDword;
    v.data.clear();
    for (int i = 0; i < 4; ++i) v.data += static_cast<char>((n >> (8 * i)) & 0xFF);
    return true;
  }
  if (text.starts_with("hex(")) {
    const size_t close = text.find("):");
    if (close == std::string_view::npos) return false;
    const std::string_view number = text.substr(4, close - 4);
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), v.type);
    if (ec != std::errc() || end != number.data() + number.size() || number.empty()) return false;
    v.data.clear();
    const std::string_view bytes = text.substr(close + 2);
    for (size_t i = 0; i < bytes.size(); i += 3) {
      const int b = HexByteAt(bytes, i);
      if (b < 0 || (i + 2 < bytes.size() && bytes[i + 2] != ',')) return false;
      v.data += static_cast<char>(b);
    }
    return true;
  }
  return false;
}

bool ParseValueLine(std::string_view line, Value& v) {
  size_t pos = 0;
  if (line.starts_with('@')) {
    v.name.clear();
    pos = 1;
  } else if (!Unquote(line, pos, v.name) || v.name.empty()) {
    return false;
  }
  if (pos >= line.size() || line[pos] != '=') return false;
  return ParseData(line.substr(pos + 1), v);
}

}  // namespace

std::string Fold(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldByte(static_cast<unsigned char>(a[i])) != FoldByte(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string NormalizePath(std::string_view path) {
  std::string out;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) {
      if (!out.empty()) out += '\\';
      out.append(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return out;
}

const Value* Key::FindValue(std::string_view name) const {
  for (const Value& v : values)
    if (EqualNoCase(v.name, name)) return &v;
  return nullptr;
}

void Key::SetValue(std::string_view name, std::uint32_t type, std::string data) {
  for (Value& v : values) {
    if (EqualNoCase(v.name, name)) {
      v.type = type;
      v.data = std::move(data);
      return;
    }
  }
  values.push_back(Value{std::string(name), type, std::move(data)});
}

bool Key::DeleteValue(std::string_view name) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (EqualNoCase(it->name, name)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

Hive::Hive() { keys_.emplace(std::string(), Key{}); }

std::vector<std::string> Hive::SubKeyNames(std::string_view path) const {
  std::vector<std::string> names;
  const std::string prefix = path.empty() ? std::string() : Fold(path) + '\\';
  for (auto it = keys_.lower_bound(prefix); it != keys_.end(); ++it) {
    const std::string& folded = it->first;
    if (folded.compare(0, prefix.size(), prefix) != 0) break;
    if (folded.size() == prefix.size() || folded.find('\\', prefix.size()) != std::string::npos)
      continue;
    names.push_back(it->second.path.substr(it->second.path.size() - (folded.size() - prefix.size())));
  }
  return names;
}

bool Hive::DeleteKey(std::string_view path) {
  if (path.empty() || !SubKeyNames(path).empty()) return false;
  return keys_.erase(Fold(path)) > 0;
}

const Key* Hive::FindKey(std::string_view path) const {
  const auto it = keys_.find(Fold(path));
  return it == keys_.end() ? nullptr : &it->second;
}

Key* Hive::FindKey(std::string_view path) {
  const auto it = keys_.find(Fold(path));
  return it == keys_.end() ? nullptr : &it->second;
}

Key& Hive::CreateKey(std::string_view path) {
  Key* parent = &keys_.at(std::string());
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view name = path.substr(start, end - start);
    auto [it, added] = keys_.try_emplace(Fold(path.substr(0, end)));
    if (added) it->second.path = parent->path.empty() ? std::string(name)
                                                      : parent->path + '\\' + std::string(name);
    parent = &it->second;
    start = end + 1;
  }
  return *parent;
}

std::string Hive::Serialize(std::string_view hiveName) const {
  std::string out = "; Stovrel registry hive ";
  out.append(hiveName);
  out += "\n";
  for (const auto& [folded, key] : keys_) {
    if (key.path.empty() && key.values.empty()) continue;
    out += "\n[" + EscapeKeyPath(key.path) + "]\n";
    for (const Value& v : key.values)
      out += (v.name.empty() ? std::string("@") : Quote(v.name)) + '=' + FormatData(v) + '\n';
  }
  return out;
}

Hive Hive::Parse(std::string_view text) {
  Hive hive;
  Key* current = &hive.keys_.at(std::string());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.size() >= 2 && line.back() == ']') {
      // Values under a header that cannot be read are skipped with it.
      std::string path;
      current = UnescapeKeyPath(line.substr(1, line.size() - 2), path)
                    ? &hive.CreateKey(NormalizePath(path))
                    : nullptr;
      continue;
    }
    Value v;
    if (current && ParseValueLine(line, v)) current->SetValue(v.name, v.type, std::move(v.data));
  }
  return hive;
}

}  // namespace reg
