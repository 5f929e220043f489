// LIKE and ILIKE matching.
#include "sql/predicate.h"

#include "sql/like_match.h"

namespace narwe {

bool matchLike(std::string_view text, std::string_view pattern) {
  return likeMatch(text, pattern, false);
}

bool matchILike(std::string_view text, std::string_view pattern) {
  return likeMatch(text, pattern, true);
}

}  // namespace narwe
