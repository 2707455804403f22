// tallyscan-cli batch plan: a portfolio's clients dealt to shards of about equal data, each a
// list that `batch --list` runs on a machine of its own.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli/batch.h"
#include "cli/exit_codes.h"
#include "engine/portfolio/portfolio.h"

namespace tallyscan::cli {
namespace {

namespace fs = std::filesystem;

bool WriteList(const fs::path& file, const std::vector<portfolio::Client>& clients,
               const std::vector<std::size_t>& which) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const std::size_t n : which) {
    const portfolio::Client& c = clients[n];
    std::error_code ec;
    const fs::path absolute = fs::absolute(c.folder, ec).lexically_normal();
    out << c.id << '\t' << absolute.string();
    if (!c.label.empty()) out << '\t' << c.label;
    out << '\n';
  }
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

bool ClientsOfBatch(const BatchOptions& o, std::vector<portfolio::Client>& clients) {
  const Status found = o.list ? portfolio::ReadClientList(*o.list, clients)
                              : portfolio::DiscoverClients(*o.input, o.depth, clients, o.out);
  if (!found.ok()) std::cerr << found.message() << "\n";
  return found.ok();
}

int RunBatchPlan(const BatchOptions& o, int shards) {
  std::vector<portfolio::Client> clients;
  if (!ClientsOfBatch(o, clients)) return kExitFailed;
  for (const portfolio::Client& c : clients) {
    // A tab or a line end inside an id or a path would break the list's lines.
    if ((c.id + c.folder + c.label).find_first_of("\t\r\n") != std::string::npos) {
      std::cerr << "batch plan: the client \"" << c.id
                << "\" has a tab or a line end in its id, folder or label\n";
      return kExitFailed;
    }
  }
  std::vector<std::int64_t> sizes;
  for (const portfolio::Client& c : clients) sizes.push_back(portfolio::DataBytesOf(c.folder));
  const auto plan = portfolio::PlanShards(sizes, shards);
  std::error_code ec;
  fs::create_directories(o.out, ec);
  std::vector<std::size_t> all(clients.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  bool written = !ec && WriteList(fs::path(o.out) / "clients.txt", clients, all);
  for (std::size_t s = 0; written && s < plan.size(); ++s) {
    char name[32];
    std::snprintf(name, sizeof name, "shard-%03zu.txt", s);
    written = WriteList(fs::path(o.out) / name, clients, plan[s]);
  }
  if (!written) {
    std::cerr << "batch plan: " << o.out << " cannot be written\n";
    return kExitFailed;
  }
  return kExitCompleted;
}

}  // namespace tallyscan::cli
