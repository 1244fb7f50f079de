#include "expression.h"

#include <charconv>

namespace derive {

// Recursive descent: expression = term {(+|-) term}; term = factor {(*|/) factor};
// factor = -factor | number | name | ( expression ).
class Parser {
public:
  Parser(std::string_view text, const Expression::FieldLookup& lookup, std::string& error)
      : text_(text), lookup_(lookup), error_(error) {}

  std::optional<Expression> run() {
    Expression expression;
    program_ = &expression.program_;
    if (!parseSum()) return std::nullopt;
    skipBlanks();
    if (at_ < text_.size()) return fail("unexpected '" + std::string(1, text_[at_]) + "'");
    return expression;
  }

private:
  using Step = Expression::Step;

  void skipBlanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
  }
  bool take(char c) {
    skipBlanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  std::nullopt_t fail(const std::string& what) {
    error_ = what + " at position " + std::to_string(at_ + 1) + " of '" + std::string(text_) + "'";
    return std::nullopt;
  }
  void emit(Step::Kind kind) { program_->push_back({kind}); }

  bool parseSum() {
    if (!parseProduct()) return false;
    for (;;) {
      if (take('+')) {
        if (!parseProduct()) return false;
        emit(Step::Add);
      } else if (take('-')) {
        if (!parseProduct()) return false;
        emit(Step::Subtract);
      } else {
        return true;
      }
    }
  }

  bool parseProduct() {
    if (!parseFactor()) return false;
    for (;;) {
      if (take('*')) {
        if (!parseFactor()) return false;
        emit(Step::Multiply);
      } else if (take('/')) {
        if (!parseFactor()) return false;
        emit(Step::Divide);
      } else {
        return true;
      }
    }
  }

  static bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
  }
  static bool isDigit(char c) { return c >= '0' && c <= '9'; }

  bool parseFactor() {
    if (++depth_ > kMaxDepth) {
      fail("expression nested too deeply");
      return false;
    }
    bool ok = parseFactorBody();
    --depth_;
    return ok;
  }

  bool parseFactorBody() {
    if (take('-')) {
      if (!parseFactor()) return false;
      emit(Step::Negate);
      return true;
    }
    if (take('(')) {
      if (!parseSum()) return false;
      if (!take(')')) {
        fail("missing ')'");
        return false;
      }
      return true;
    }
    skipBlanks();
    if (at_ >= text_.size()) {
      fail("missing operand");
      return false;
    }
    char c = text_[at_];
    if (isDigit(c) || c == '.') {
      double number = 0;
      auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + text_.size(), number);
      if (error != std::errc()) {
        fail("bad number");
        return false;
      }
      at_ = static_cast<size_t>(end - text_.data());
      program_->push_back({Step::Number, number});
      return true;
    }
    if (isNameStart(c)) {
      size_t start = at_;
      while (at_ < text_.size() && (isNameStart(text_[at_]) || isDigit(text_[at_]))) ++at_;
      std::string_view name = text_.substr(start, at_ - start);
      std::optional<size_t> field = lookup_(name);
      if (!field) {
        at_ = start;
        fail("unknown field '" + std::string(name) + "'");
        return false;
      }
      program_->push_back({Step::Field, 0, *field});
      return true;
    }
    fail("unexpected '" + std::string(1, c) + "'");
    return false;
  }

  static constexpr int kMaxDepth = 200;
  std::string_view text_;
  const Expression::FieldLookup& lookup_;
  std::string& error_;
  std::vector<Step>* program_ = nullptr;
  size_t at_ = 0;
  int depth_ = 0;
};

std::optional<Expression> Expression::parse(std::string_view text, const FieldLookup& lookup,
                                            std::string& error) {
  return Parser(text, lookup, error).run();
}

std::vector<size_t> Expression::fields() const {
  std::vector<size_t> positions;
  for (const Step& step : program_)
    if (step.kind == Step::Field) positions.push_back(step.field);
  return positions;
}

} // namespace derive
