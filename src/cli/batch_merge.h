#pragma once

// tallyscan-cli batch merge RESULTS: the portfolio summary written anew from the clients'
// results under RESULTS alone, with the parameters the batch kept there. Idempotent, and the
// one writer of the summary when several shards share RESULTS.

#include <string>

namespace tallyscan::cli {

// Exit 0 once the summary is written (whatever the clients' statuses); 1 when RESULTS is no
// folder, its parameter copy is refused, or a file of the summary cannot be written: the
// message on standard error.
int RunBatchMerge(const std::string& results);

}  // namespace tallyscan::cli
