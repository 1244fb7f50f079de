// Arithmetic over the fields of a record: + - * /, unary minus, parentheses,
// decimal numbers and field names. A null operand makes the result null; a
// division by zero gives null and is flagged so the caller can warn.
#ifndef QUEX_EXAMPLES_DERIVE_EXPRESSION_H
#define QUEX_EXAMPLES_DERIVE_EXPRESSION_H

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace derive {

class Expression {
public:
  // Maps a field name to its position, or nothing for an unknown name.
  using FieldLookup = std::function<std::optional<size_t>(std::string_view)>;

  // Compiles `text`; on failure returns nothing and `error` says what and where.
  static std::optional<Expression> parse(std::string_view text, const FieldLookup& lookup,
                                         std::string& error);

  // The positions of the fields the expression reads, in order of appearance.
  std::vector<size_t> fields() const;

  struct Result {
    double value = 0;
    bool null = false;
    bool divisionByZero = false;
  };

  // `value(position, number)` stores a field's number and answers false for a
  // null. `stack` is scratch space reused between calls (no allocation once grown).
  template <typename FieldValue>
  Result evaluate(const FieldValue& value, std::vector<std::optional<double>>& stack) const;

private:
  struct Step {
    enum Kind { Number, Field, Add, Subtract, Multiply, Divide, Negate } kind;
    double number = 0;
    size_t field = 0;
  };
  friend class Parser;
  std::vector<Step> program_; // postfix
};

template <typename FieldValue>
Expression::Result Expression::evaluate(const FieldValue& value,
                                        std::vector<std::optional<double>>& stack) const {
  Result result;
  stack.clear();
  for (const Step& step : program_) {
    if (step.kind == Step::Number) {
      stack.emplace_back(step.number);
      continue;
    }
    if (step.kind == Step::Field) {
      double number = 0;
      stack.emplace_back(value(step.field, number) ? std::optional<double>(number) : std::nullopt);
      continue;
    }
    if (step.kind == Step::Negate) {
      if (stack.back()) stack.back() = -*stack.back();
      continue;
    }
    std::optional<double> right = stack.back();
    stack.pop_back();
    std::optional<double>& left = stack.back();
    if (!left || !right) {
      left.reset();
      continue;
    }
    switch (step.kind) {
    case Step::Add: *left += *right; break;
    case Step::Subtract: *left -= *right; break;
    case Step::Multiply: *left *= *right; break;
    default:
      if (*right == 0) {
        result.divisionByZero = true;
        left.reset();
      } else {
        *left /= *right;
      }
    }
  }
  result.null = !stack.back();
  if (!result.null) result.value = *stack.back();
  return result;
}

} // namespace derive

#endif // QUEX_EXAMPLES_DERIVE_EXPRESSION_H
