// The text `narwe --help` and `narwe --version` print.
//
// What the SQL subset offers today and what is not available yet is decided
// in one table in usage.cpp: when a statement kind starts working, flipping
// its entry moves it from "Not available yet" to the available list. A test
// runs every example line of the help text, so the examples must stay
// statements that succeed on the bundled examples/people.csv.
#pragma once

#include <string>

namespace narwe_cli {

// The complete --help text, ending in a line feed.
std::string usageText();

// "narwe <version>" and a line feed.
std::string versionText();

}  // namespace narwe_cli
