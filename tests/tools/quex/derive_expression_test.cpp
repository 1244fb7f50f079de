// The derive example's expressions: precedence, nulls, division by zero and
// the messages of expressions that do not parse.
#include "expression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

using derive::Expression;

// Fields a=6, b=3, z=0, n=null.
class DeriveExpression : public ::testing::Test {
protected:
  std::optional<Expression> compile(const std::string& text) {
    error.clear();
    return Expression::parse(text, [](std::string_view name) -> std::optional<size_t> {
      static const std::map<std::string_view, size_t> positions = {
          {"a", 0}, {"b", 1}, {"z", 2}, {"n", 3}, {"long_name2", 0}};
      auto found = positions.find(name);
      if (found == positions.end()) return std::nullopt;
      return found->second;
    }, error);
  }

  Expression::Result eval(const std::string& text) {
    auto expression = compile(text);
    EXPECT_TRUE(expression) << text << ": " << error;
    if (!expression) return {};
    const double values[] = {6, 3, 0, 0};
    return expression->evaluate(
        [&](size_t field, double& number) {
          number = values[field];
          return field != 3;
        },
        stack);
  }

  double value(const std::string& text) {
    Expression::Result r = eval(text);
    EXPECT_FALSE(r.null) << text;
    return r.value;
  }

  std::string error;
  std::vector<std::optional<double>> stack;
};

TEST_F(DeriveExpression, FollowsPrecedenceAssociativityAndParentheses) {
  EXPECT_EQ(value("a + b * 2"), 12);
  EXPECT_EQ(value("(a + b) * 2"), 18);
  EXPECT_EQ(value("a - b - 1"), 2);
  EXPECT_EQ(value("a / b / 2"), 1);
  EXPECT_EQ(value("-a + -(-b)"), -3);
  EXPECT_EQ(value("2.5e1 - .5"), 24.5);
  EXPECT_EQ(value("long_name2*1"), 6);
}

TEST_F(DeriveExpression, NullOperandsPropagate) {
  EXPECT_TRUE(eval("n").null);
  EXPECT_TRUE(eval("a + n * 2").null);
  EXPECT_TRUE(eval("-(n)").null);
  EXPECT_FALSE(eval("n + 1").divisionByZero);
}

TEST_F(DeriveExpression, DivisionByZeroIsNullAndFlagged) {
  Expression::Result r = eval("a / z + 1");
  EXPECT_TRUE(r.null);
  EXPECT_TRUE(r.divisionByZero);
  r = eval("n / z"); // a null operand wins: nothing was divided
  EXPECT_TRUE(r.null);
  EXPECT_FALSE(r.divisionByZero);
  EXPECT_FALSE(eval("a / b").divisionByZero);
}

TEST_F(DeriveExpression, ErrorsSayWhatAndWhere) {
  EXPECT_FALSE(compile("a + q"));
  EXPECT_EQ(error, "unknown field 'q' at position 5 of 'a + q'");
  EXPECT_FALSE(compile("(a + b"));
  EXPECT_EQ(error, "missing ')' at position 7 of '(a + b'");
  EXPECT_FALSE(compile("a +"));
  EXPECT_EQ(error, "missing operand at position 4 of 'a +'");
  EXPECT_FALSE(compile("a b"));
  EXPECT_EQ(error, "unexpected 'b' at position 3 of 'a b'");
  EXPECT_FALSE(compile("a % b"));
  EXPECT_FALSE(compile(""));
  EXPECT_FALSE(compile(std::string(1000, '(') + "a" + std::string(1000, ')')));
  EXPECT_NE(error.find("nested too deeply"), std::string::npos);
}

TEST_F(DeriveExpression, ListsTheFieldsItReads) {
  auto expression = compile("b * (a + b) - 1");
  ASSERT_TRUE(expression);
  EXPECT_EQ(expression->fields(), (std::vector<size_t>{1, 0, 1}));
}

} // namespace
