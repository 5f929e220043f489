// Operator tokens and the iterative destruction of expression trees.
#include "sql/query.h"

namespace narwe {

std::optional<Operator> operatorFromString(std::string_view token) {
  if (token.size() == 2) {
    if (token == "!=") return Operator::ne;
    if (token == ">=") return Operator::ge;
    if (token == "<=") return Operator::le;
  } else if (token.size() == 1) {
    if (token == "=") return Operator::eq;
    if (token == "<") return Operator::lt;
    if (token == ">") return Operator::gt;
  }
  auto equalsWord = [&](std::string_view word) {
    if (token.size() != word.size()) return false;
    for (size_t i = 0; i < token.size(); ++i) {
      char c = token[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (c != word[i]) return false;
    }
    return true;
  };
  if (equalsWord("LIKE")) return Operator::like;
  if (equalsWord("ILIKE")) return Operator::ilike;
  return std::nullopt;
}

Expression::~Expression() {
  // Move children onto an explicit stack so a tree nested thousands of levels
  // deep is released without recursing once per level.
  std::vector<std::unique_ptr<Expression>> pending;
  auto takeChildren = [&pending](Expression& e) {
    if (auto* logical = std::get_if<Logical>(&e.node)) {
      if (logical->left) pending.push_back(std::move(logical->left));
      if (logical->right) pending.push_back(std::move(logical->right));
    } else if (auto* negation = std::get_if<Not>(&e.node)) {
      if (negation->child) pending.push_back(std::move(negation->child));
    }
  };
  takeChildren(*this);
  while (!pending.empty()) {
    std::unique_ptr<Expression> e = std::move(pending.back());
    pending.pop_back();
    takeChildren(*e);
    // e is destroyed here with no children left.
  }
}

}  // namespace narwe
