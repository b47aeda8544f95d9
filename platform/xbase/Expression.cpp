#include "platform/xbase/Expression.h"

#include <cmath>
#include <cstring>

#include "platform/xbase/Bytes.h"
#include "platform/xbase/Number.h"

namespace xb {

struct Expression::Node {
  enum class Kind { kField, kLiteral, kUpper, kStr, kDtos, kDeleted, kNot, kConcat, kAdd };
  Kind kind = Kind::kLiteral;
  Type type = Type::kChar;
  size_t length = 0;    // character results
  uint32_t offset = 0;  // kField
  char fieldType = 'C';
  uint8_t dec = 0;      // kField: the decimals of a number field
  std::string literal;
  int strLen = 10;
  int strDec = 0;
  std::unique_ptr<Node> a, b;
};

namespace {

using Node = Expression::Node;
using Kind = Node::Kind;
using Type = Expression::Type;

// Bounds that keep parsing and evaluation recursion shallow whatever the text.
constexpr int kMaxDepth = 32;
constexpr int kMaxNodes = 256;

class Parser {
 public:
  Parser(std::string_view text, const std::vector<FieldDef>& fields) : s_(text), fields_(fields) {}

  std::unique_ptr<Node> Parse(Status* status) {
    std::unique_ptr<Node> n = ParseSum();
    SkipSpace();
    if (n && pos_ != s_.size()) Fail("unexpected text at '" + std::string(s_.substr(pos_)) + "'");
    if (!error_.empty()) {
      *status = Status(Code::kInvalid, "expression '" + std::string(s_) + "': " + error_);
      return nullptr;
    }
    *status = Status::Ok();
    return n;
  }

 private:
  void Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
  }
  void SkipSpace() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }
  bool Eat(char c) {
    SkipSpace();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool EatWord(std::string_view w) {
    SkipSpace();
    if (s_.size() - pos_ >= w.size() && EqualsNoCase(s_.substr(pos_, w.size()), w)) {
      pos_ += w.size();
      return true;
    }
    return false;
  }
  static bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  }

  // Every node is made here, so the count and the nesting stay bounded.
  std::unique_ptr<Node> NewNode() {
    if (++nodes_ > kMaxNodes) {
      Fail("the expression is too long");
      return nullptr;
    }
    return std::make_unique<Node>();
  }

  struct Nesting {
    explicit Nesting(Parser* p) : p_(p) { ++p_->depth_; }
    ~Nesting() { --p_->depth_; }
    Parser* p_;
  };

  std::unique_ptr<Node> ParseSum() {
    Nesting nest(this);
    if (depth_ > kMaxDepth) {
      Fail("the expression nests too deeply");
      return nullptr;
    }
    std::unique_ptr<Node> left = ParseUnary();
    while (left && Eat('+')) {
      std::unique_ptr<Node> right = ParseUnary();
      if (!right) return nullptr;
      auto n = NewNode();
      if (!n) return nullptr;
      if (left->type == Type::kChar && right->type == Type::kChar) {
        n->kind = Kind::kConcat;
        n->type = Type::kChar;
        n->length = left->length + right->length;
      } else if (left->type == Type::kNumeric && right->type == Type::kNumeric) {
        n->kind = Kind::kAdd;
        n->type = Type::kNumeric;
      } else {
        Fail("'+' needs two texts or two numbers");
        return nullptr;
      }
      n->a = std::move(left);
      n->b = std::move(right);
      left = std::move(n);
    }
    return left;
  }

  std::unique_ptr<Node> ParseUnary() {
    if (Eat('!') || EatWord(".NOT.")) {
      Nesting nest(this);
      if (depth_ > kMaxDepth) {
        Fail("the expression nests too deeply");
        return nullptr;
      }
      std::unique_ptr<Node> operand = ParseUnary();
      if (!operand) return nullptr;
      if (operand->type != Type::kLogical) {
        Fail("'!' needs a logical value");
        return nullptr;
      }
      auto n = NewNode();
      if (!n) return nullptr;
      n->kind = Kind::kNot;
      n->type = Type::kLogical;
      n->a = std::move(operand);
      return n;
    }
    return ParsePrimary();
  }

  std::unique_ptr<Node> ParseLiteral(char quote) {
    const size_t end = s_.find(quote, pos_);
    if (end == std::string_view::npos) {
      Fail("a text is not closed");
      return nullptr;
    }
    auto n = NewNode();
    if (!n) return nullptr;
    n->literal = std::string(s_.substr(pos_, end - pos_));
    n->length = n->literal.size();
    pos_ = end + 1;
    return n;
  }

  bool ParseInt(int* v) {
    SkipSpace();
    const size_t start = pos_;
    int value = 0;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9' && value < 1000) {
      value = value * 10 + (s_[pos_] - '0');
      ++pos_;
    }
    if (pos_ == start || value >= 1000) {
      Fail("a whole number is expected");
      return false;
    }
    *v = value;
    return true;
  }

  std::unique_ptr<Node> ParseCall(std::string_view fn) {
    auto n = NewNode();
    if (!n) return nullptr;
    if (EqualsNoCase(fn, "DELETED")) {
      n->kind = Kind::kDeleted;
      n->type = Type::kLogical;
    } else {
      std::unique_ptr<Node> arg = ParseSum();
      if (!arg) return nullptr;
      if (EqualsNoCase(fn, "UPPER")) {
        if (arg->type != Type::kChar) Fail("UPPER() needs a text");
        n->kind = Kind::kUpper;
        n->length = arg->length;
      } else if (EqualsNoCase(fn, "DTOS")) {
        if (arg->type != Type::kDate && !(arg->type == Type::kChar && arg->length == 8)) {
          Fail("DTOS() needs a date");
        }
        n->kind = Kind::kDtos;
        n->length = 8;
      } else if (EqualsNoCase(fn, "STR")) {
        if (arg->type != Type::kNumeric) Fail("STR() needs a number");
        n->kind = Kind::kStr;
        if (Eat(',') && ParseInt(&n->strLen) && Eat(',')) ParseInt(&n->strDec);
        if (n->strLen < 1 || n->strLen > 255 || n->strDec < 0 || (n->strDec > 0 && n->strDec + 2 > n->strLen)) {
          Fail("STR() length and decimals do not fit");
        }
        n->length = static_cast<size_t>(n->strLen);
      } else {
        Fail("unknown function " + std::string(fn) + "()");
        return nullptr;
      }
      n->type = Type::kChar;
      n->a = std::move(arg);
    }
    if (!Eat(')')) {
      Fail("')' is missing");
      return nullptr;
    }
    return n;
  }

  std::unique_ptr<Node> ParsePrimary() {
    SkipSpace();
    if (pos_ >= s_.size()) {
      Fail("the expression ends too early");
      return nullptr;
    }
    const char c = s_[pos_];
    if (c == '"' || c == '\'') {
      ++pos_;
      return ParseLiteral(c);
    }
    if (c == '(') {
      ++pos_;
      std::unique_ptr<Node> n = ParseSum();
      if (n && !Eat(')')) Fail("')' is missing");
      return error_.empty() ? std::move(n) : nullptr;
    }
    const size_t start = pos_;
    while (pos_ < s_.size() && IsNameChar(s_[pos_])) ++pos_;
    std::string_view name = s_.substr(start, pos_ - start);
    if (name.empty()) {
      Fail("unexpected '" + std::string(1, c) + "'");
      return nullptr;
    }
    if (Eat('(')) return ParseCall(name);
    const int fi = FindField(fields_, name);
    if (fi < 0) {
      Fail("no field " + std::string(name));
      return nullptr;
    }
    const FieldDef& f = fields_[static_cast<size_t>(fi)];
    auto n = NewNode();
    if (!n) return nullptr;
    n->kind = Kind::kField;
    n->offset = f.offset;
    n->length = f.len;
    n->fieldType = f.type;
    n->dec = f.dec;
    switch (f.type) {
      case 'C': n->type = Type::kChar; break;
      case 'N':
      case 'F': n->type = Type::kNumeric; break;
      case 'D': n->type = Type::kDate; break;
      case 'L': n->type = Type::kLogical; break;
      default:
        Fail("memo field " + f.name + " cannot be used in an expression");
        return nullptr;
    }
    return n;
  }

  std::string_view s_;
  const std::vector<FieldDef>& fields_;
  size_t pos_ = 0;
  int depth_ = 0;
  int nodes_ = 0;
  std::string error_;
};

// STR(): right-aligned, rounded half away from zero; asterisks when it does not fit.
void FormatStr(double v, int len, int dec, std::string* out) {
  const double scale = std::pow(10.0, dec);
  if (std::isfinite(v) && std::fabs(v) * scale < 1e17) v = std::round(v * scale) / scale;
  char buf[400];
  const int n = FixedText(v, dec, buf, sizeof buf);
  if (n < 0 || n > len) {
    out->append(static_cast<size_t>(len), '*');
  } else {
    out->append(static_cast<size_t>(len - n), ' ');
    out->append(buf, static_cast<size_t>(n));
  }
}

void EvalCharNode(const Node& n, const char* rec, std::string* out);
double EvalNumNode(const Node& n, const char* rec);

bool EvalBoolNode(const Node& n, const char* rec) {
  switch (n.kind) {
    case Kind::kDeleted: return rec[0] == '*';
    case Kind::kNot: return !EvalBoolNode(*n.a, rec);
    case Kind::kField: {
      const char c = rec[n.offset];
      return c == 'T' || c == 't' || c == 'Y' || c == 'y';
    }
    default: return false;
  }
}

double EvalNumNode(const Node& n, const char* rec) {
  switch (n.kind) {
    case Kind::kField:
      return n.fieldType == 'D' ? DateDayNumber(rec + n.offset) : ParseNumber(rec + n.offset, n.length, n.dec);
    case Kind::kAdd: return EvalNumNode(*n.a, rec) + EvalNumNode(*n.b, rec);
    default: return 0;
  }
}

void EvalCharNode(const Node& n, const char* rec, std::string* out) {
  switch (n.kind) {
    case Kind::kField:
      if (n.type == Type::kLogical) {
        out->push_back(EvalBoolNode(n, rec) ? 'T' : 'F');
      } else {
        out->append(rec + n.offset, n.length);
      }
      return;
    case Kind::kLiteral: out->append(n.literal); return;
    case Kind::kUpper: {
      const size_t start = out->size();
      EvalCharNode(*n.a, rec, out);
      for (size_t i = start; i < out->size(); ++i) (*out)[i] = Upper1252((*out)[i]);
      return;
    }
    case Kind::kDtos: EvalCharNode(*n.a, rec, out); return;
    case Kind::kStr: FormatStr(EvalNumNode(*n.a, rec), n.strLen, n.strDec, out); return;
    case Kind::kConcat:
      EvalCharNode(*n.a, rec, out);
      EvalCharNode(*n.b, rec, out);
      return;
    case Kind::kDeleted:
    case Kind::kNot: out->push_back(EvalBoolNode(n, rec) ? 'T' : 'F'); return;
    case Kind::kAdd: FormatStr(EvalNumNode(n, rec), 10, 0, out); return;
  }
}

}  // namespace

Expression::Expression(std::string text, std::unique_ptr<Node> root) : text_(std::move(text)), root_(std::move(root)) {}
Expression::~Expression() = default;

std::unique_ptr<Expression> Expression::Compile(std::string_view text, const std::vector<FieldDef>& fields,
                                                Status* status) {
  Parser p(text, fields);
  std::unique_ptr<Node> root = p.Parse(status);
  if (!root) return nullptr;
  return std::unique_ptr<Expression>(new Expression(std::string(text), std::move(root)));
}

Expression::Type Expression::type() const { return root_->type; }

size_t Expression::length() const {
  switch (root_->type) {
    case Type::kChar: return root_->length;
    case Type::kDate: return 8;
    case Type::kLogical: return 1;
    case Type::kNumeric: return 8;
  }
  return 0;
}

void Expression::EvalChar(const char* record, std::string* out) const { EvalCharNode(*root_, record, out); }
double Expression::EvalNumber(const char* record) const { return EvalNumNode(*root_, record); }
bool Expression::EvalBool(const char* record) const { return EvalBoolNode(*root_, record); }

double DateDayNumber(const char* t) {
  int v[3] = {0, 0, 0};
  const int widths[3] = {4, 2, 2};
  const char* p = t;
  for (int k = 0; k < 3; ++k) {
    for (int j = 0; j < widths[k]; ++j, ++p) {
      if (*p < '0' || *p > '9') return 0;
      v[k] = v[k] * 10 + (*p - '0');
    }
  }
  const int y = v[0], m = v[1], d = v[2];
  if (m < 1 || m > 12 || d < 1 || d > 31) return 0;
  const int a = (14 - m) / 12;
  const int yy = y + 4800 - a;
  const int mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

}  // namespace xb
