// How an input file is read: the settings every CSV reader of this module
// takes. The run options of a query (exec/run_options.h) carry them.
#pragma once

namespace narwe {

struct InputOptions {
  char delimiter = ',';          // field delimiter of the input
  bool no_header_input = false;  // the first record is data; columns are c1, c2, ...
};

}  // namespace narwe
