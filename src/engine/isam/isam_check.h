#pragma once

// Private to isam/: the rest of the program includes isam/isam.h.
//
// Reads a whole index file without changing it: its headers, every key's nodes and entries,
// its free chain, and every way in which it departs from its layout. The command line's
// dump prints the result; the tests hold the record manager to it after every change.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/isam/isam_format.h"
#include "engine/isam/isam_status.h"
#include "engine/isam/isam_storage.h"

namespace tallyscan {

struct IsamNodeReport {
  std::uint32_t position = 0;
  int depth = 0;  // 0 at the root
  IsamNode node;
};

struct IsamTreeReport {
  int key_number = 0;
  std::uint32_t root = 0;
  std::vector<IsamNodeReport> nodes;  // depth first, each parent before its children
  std::vector<IsamEntry> entries;     // the leaves' entries in key order, sentinel left out
};

struct IsamFileReport {
  std::uint64_t file_size = 0;
  IsamHeader header_a;
  IsamHeader header_b;
  std::vector<IsamTreeReport> trees;      // keys 1 to the file's number of keys
  std::vector<std::uint32_t> free_nodes;  // the free chain from its head
  std::vector<std::string> problems;      // one line per fault found; empty for a sound file
};

// Checks, besides what every read checks: the parent links, the order of the entries within
// and across nodes, entries packed to the right with blank free slots, each inner key equal
// to its child's highest key, leaves all at one depth, the sibling chain of every level (and
// whether its links come round in a circle), the file's length against whole nodes, the
// sentinel closing each tree, the record count of header A against every tree, free nodes
// cleared, and every node of the file in exactly one tree or on the free chain. Fails only
// when the headers cannot be read; a damaged tree is reported in problems and skipped.
IsamStatus InspectIndexFile(IsamStorage& storage, IsamFileReport& report);

}  // namespace tallyscan
