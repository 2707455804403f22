// tallyscan-cli isam dump FILE: an index file's headers, nodes and entries in key order, and
// whatever in it departs from the layout.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "engine/isam/isam.h"

namespace tallyscan::cli {
namespace {

std::string Shown(const IsamKey& key) {
  if (key == SentinelKey()) return "<high sentinel>";
  if (key == BlankKey()) return "<blank>";
  std::string out = "\"";
  for (const std::uint8_t c : key) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out + "\"";
}

void PrintHeader(const char* name, const IsamHeader& h) {
  std::cout << "header " << name << ": roots " << h.roots[0] << " " << h.roots[1] << " "
            << h.roots[2] << ", free " << h.free_node << ", stack " << h.stack << ", keys "
            << h.number_of_keys << ", records " << h.record_count << "\n";
}

void PrintTree(const IsamTreeReport& tree) {
  std::cout << "key " << tree.key_number << ": root " << tree.root << ", " << tree.nodes.size()
            << " nodes\n";
  for (const IsamNodeReport& n : tree.nodes) {
    const std::string indent(2 + 2 * static_cast<std::size_t>(n.depth), ' ');
    std::cout << indent << "node " << n.position << (n.node.leaf == 1 ? " leaf" : " inner")
              << ", parent " << n.node.parent << ", left " << n.node.left << ", right "
              << n.node.right << ", free slot " << n.node.free_slot << "\n";
    for (int s = n.node.FirstUsed(); s <= kIsamSlotsPerNode; ++s) {
      const IsamEntry& e = n.node.Slot(s);
      std::cout << indent << "  slot " << s << " " << Shown(e.key) << " flag "
                << static_cast<int>(e.flag) << (n.node.leaf == 1 ? " record " : " child ")
                << e.pointer << "\n";
    }
  }
  std::cout << "key " << tree.key_number << ": " << tree.entries.size()
            << " entries in key order\n";
  for (const IsamEntry& e : tree.entries) {
    std::cout << "  " << Shown(e.key) << " flag " << static_cast<int>(e.flag) << " record "
              << e.pointer << "\n";
  }
}

int Dump(const std::string& file_name) {
  int error_number = 0;
  std::unique_ptr<IsamStorage> storage = OpenIsamStorageForReading(file_name, error_number);
  if (storage == nullptr && error_number == EINVAL) {
    std::cerr << "isam dump: " << file_name << " is not a regular file\n";
    return kExitFailed;
  }
  if (storage == nullptr) {
    std::cerr << "isam dump: cannot open " << file_name << ": " << std::strerror(error_number)
              << "\n";
    return kExitFailed;
  }
  // Another program's change in the middle would read as damage: wait for it to finish.
  if (const IsamStatus locked = storage->Lock(IsamLockMode::kShared); locked != IsamStatus::kOk) {
    std::cerr << "isam dump: " << file_name << " is locked by another program\n";
    return 1;
  }
  IsamFileReport report;
  const IsamStatus inspected = InspectIndexFile(*storage, report);
  storage->Unlock();
  if (inspected != IsamStatus::kOk) {
    std::cerr << "isam dump: " << file_name << " is too short for the headers of an index file\n";
    return kExitFailed;
  }
  std::cout << "file " << file_name << ": " << report.file_size << " bytes\n";
  PrintHeader("A", report.header_a);
  PrintHeader("B", report.header_b);
  for (const IsamTreeReport& tree : report.trees) PrintTree(tree);
  std::cout << "free nodes:";
  if (report.free_nodes.empty()) std::cout << " none";
  for (std::uint32_t position : report.free_nodes) std::cout << " " << position;
  std::cout << "\nproblems: " << (report.problems.empty() ? "none" : "") << "\n";
  for (const std::string& problem : report.problems) std::cout << "  " << problem << "\n";
  return report.problems.empty() ? kExitCompleted : kExitFailed;
}

}  // namespace

int RunIsam(std::span<char* const> args) {
  if (args.size() != 2 || std::string(args[0]) != "dump") {
    return UsageError("isam", "the only sub-command is dump, with one file");
  }
  return Dump(args[1]);
}

}  // namespace tallyscan::cli
