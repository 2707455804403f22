#pragma once

// Private to portfolio/: the rest of the program includes portfolio/portfolio.h.
//
// The clients of a portfolio: the data folders under one folder, or those a list names, each
// with an id that is also the place of its results.

#include <string>
#include <string_view>
#include <vector>

#include "engine/common/status.h"

namespace tallyscan::portfolio {

struct Client {
  std::string id;      // the folder's path relative to the input, or the list's first column
  std::string folder;  // the data folder as it is opened
  std::string label;   // the list's third column; empty otherwise
};

// The folders under `input`, itself included, down to `depth` levels below it, that hold an
// INI.TXT (letter case ignored), ordered by the bytes of their ids. A folder reached twice
// (through a link) is one client, the first id in that order. Links to folders are followed;
// folders that cannot be listed are passed over, and so is `results` (however named) when it
// lies under `input`: a batch's own results are never its clients. Fails (kNotFound) when
// `input` is no folder, and (kRefused) when the ids break IdMistakes.
Status DiscoverClients(const std::string& input, int depth, std::vector<Client>& clients,
                       const std::string& results = {});

// A UTF-8 list of lines "client<TAB>path[<TAB>label]", the paths relative to the list's own
// folder; empty lines are skipped. Ordered and made unique as DiscoverClients does. Fails
// (kIoError) when the list cannot be read, (kCorrupt) for a line without a path, naming its
// number, and (kRefused) when the ids break IdMistakes.
Status ReadClientList(const std::string& list_file, std::vector<Client>& clients);

// Orders the clients by the bytes of their ids and keeps the first of those whose folders are
// one folder on disk.
void OrderClients(std::vector<Client>& clients);

// The folder of a client's results under RESULTS/clients/: the id's '/' kept as folders, and
// every byte outside [A-Za-z0-9._-] and the Hebrew letters written as %XX (upper-case hex).
std::string ResultsPathOf(std::string_view id);

// What makes a set of ids unusable as folders: an id that is empty, has an empty part or a
// part "." or "..", or two ids whose results folders clash (the same path, or one inside the
// other). "" when there is none; otherwise a message that names the ids.
std::string IdMistakes(const std::vector<Client>& clients);

}  // namespace tallyscan::portfolio
