#include "expression_operand.h"

#include <iostream>
#include <iterator>

#include "pelt/value/text.h"

namespace pelt::tools {

bool ReadExpression(std::string_view operand, std::u16string& expression, Streams& io) {
  if (operand != "-") {
    expression = value::FromUtf8(operand);
    return true;
  }
  std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  if (std::cin.bad()) {
    ReportProblem(io, "cannot read the expression from standard input");
    return false;
  }
  // What a terminal or an editor puts at the end of the last line.
  if (!text.empty() && text.back() == '\n') {
    text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
  }
  expression = value::FromUtf8(text);
  return true;
}

}  // namespace pelt::tools
