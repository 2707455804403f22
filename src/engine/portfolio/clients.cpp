#include "engine/portfolio/clients.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#include "engine/uniform/uniform.h"

namespace tallyscan::portfolio {
namespace {

namespace fs = std::filesystem;

bool HoldsIni(const fs::path& folder) {
  return FindFileIgnoringCase(folder.string(), "ini.txt").has_value();
}

// Folders in name order, so that a walk is the same on every run.
std::vector<fs::path> SubfoldersOf(const fs::path& folder) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    if (it->is_directory(kind)) found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

// The folder as the file system resolves it; a folder not made yet as far as it can be.
fs::path Resolved(const fs::path& folder) {
  std::error_code ec;
  fs::path resolved = fs::weakly_canonical(folder, ec);
  return ec ? fs::absolute(folder, ec).lexically_normal() : resolved;
}

void Walk(const fs::path& input, const fs::path& folder, int levels_left, const fs::path& skip,
          std::vector<Client>& clients) {
  if (levels_left <= 0) return;
  for (const fs::path& sub : SubfoldersOf(folder)) {
    if (!skip.empty() && Resolved(sub) == skip) continue;
    if (HoldsIni(sub)) {
      clients.push_back({sub.lexically_relative(input).generic_string(), sub.string(), {}});
    }
    Walk(input, sub, levels_left - 1, skip, clients);
  }
}

bool IsHebrewLetter(unsigned char lead, unsigned char next) {
  return lead == 0xD7 && next >= 0x90 && next <= 0xAA;
}

bool KeptAsIs(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
}

std::vector<std::string_view> PartsOf(std::string_view id) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t slash = id.find('/', start);
    parts.push_back(id.substr(start, slash == std::string_view::npos ? slash : slash - start));
    if (slash == std::string_view::npos) return parts;
    start = slash + 1;
  }
}

Status Checked(std::vector<Client>& clients) {
  OrderClients(clients);
  const std::string mistakes = IdMistakes(clients);
  return mistakes.empty() ? Status::Ok() : Status::Refused(mistakes);
}

}  // namespace

void OrderClients(std::vector<Client>& clients) {
  // std::string compares as unsigned bytes through char_traits<char>::compare (memcmp).
  std::stable_sort(clients.begin(), clients.end(),
                   [](const Client& a, const Client& b) { return a.id < b.id; });
  std::set<fs::path> seen;
  std::vector<Client> unique;
  for (Client& client : clients) {
    std::error_code ec;
    fs::path real = fs::canonical(client.folder, ec);
    if (ec) real = fs::absolute(client.folder, ec).lexically_normal();
    if (seen.insert(real).second) unique.push_back(std::move(client));
  }
  clients = std::move(unique);
}

Status DiscoverClients(const std::string& input, int depth, std::vector<Client>& clients,
                       const std::string& results) {
  clients.clear();
  std::error_code ec;
  if (!fs::is_directory(input, ec)) return Status::NotFound("אין תיקייה בשם " + input);
  Walk(fs::path(input), fs::path(input), depth, results.empty() ? fs::path() : Resolved(results),
       clients);
  return Checked(clients);
}

Status ReadClientList(const std::string& list_file, std::vector<Client>& clients) {
  clients.clear();
  std::ifstream in(list_file, std::ios::binary);
  if (!in) return Status::IoError("לא ניתן לקרוא את רשימת הלקוחות " + list_file);
  const fs::path base = fs::path(list_file).parent_path();
  std::string line;
  for (long number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    if (line.empty()) continue;
    const std::size_t tab = line.find('\t');
    const std::size_t second = tab == std::string::npos ? tab : line.find('\t', tab + 1);
    const std::string path =
        tab == std::string::npos ? std::string() : line.substr(tab + 1, second - tab - 1);
    if (path.empty()) {
      return Status::Corrupt("ברשימת הלקוחות " + list_file + ", שורה " + std::to_string(number) +
                             ": חסר נתיב אחרי המזהה וטאב");
    }
    Client client;
    client.id = line.substr(0, tab);
    const fs::path folder(path);
    client.folder = folder.is_absolute() ? path : (base / folder).string();
    if (second != std::string::npos) client.label = line.substr(second + 1);
    clients.push_back(std::move(client));
  }
  if (in.bad()) return Status::IoError("לא ניתן לקרוא את רשימת הלקוחות " + list_file);
  return Checked(clients);
}

std::string ResultsPathOf(std::string_view id) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string path;
  for (std::size_t i = 0; i < id.size(); ++i) {
    const auto c = static_cast<unsigned char>(id[i]);
    if (c == '/' || KeptAsIs(c)) {
      path += static_cast<char>(c);
    } else if (i + 1 < id.size() && IsHebrewLetter(c, static_cast<unsigned char>(id[i + 1]))) {
      path += id.substr(i, 2);
      ++i;
    } else {
      path += '%';
      path += kHex[c >> 4];
      path += kHex[c & 15];
    }
  }
  return path;
}

std::string IdMistakes(const std::vector<Client>& clients) {
  std::string mistakes;
  auto say = [&](const std::string& text) {
    if (!mistakes.empty()) mistakes += "\n";
    mistakes += text;
  };
  std::vector<std::pair<std::string, const Client*>> paths;
  for (const Client& client : clients) {
    bool usable = true;
    for (const std::string_view part : PartsOf(client.id)) {
      usable = usable && !part.empty() && part != "." && part != "..";
    }
    if (!usable) {
      say("מזהה הלקוח \"" + client.id + "\" אינו שמיש כתיקיית תוצאות: חלק ריק, \".\" או \"..\"");
      continue;
    }
    paths.emplace_back(ResultsPathOf(client.id), &client);
  }
  std::sort(paths.begin(), paths.end());
  for (std::size_t i = 0; i + 1 < paths.size(); ++i) {
    const std::string& a = paths[i].first;
    // Sorted, a folder is followed by whatever lies inside it.
    for (std::size_t j = i + 1; j < paths.size(); ++j) {
      const std::string& b = paths[j].first;
      const bool inside = b.size() > a.size() && b.starts_with(a) && b[a.size()] == '/';
      if (b != a && !inside && !b.starts_with(a)) break;
      if (b == a || inside) {
        say("תיקיות התוצאות של הלקוחות \"" + paths[i].second->id + "\" ו-\"" + paths[j].second->id +
            "\" מתנגשות");
      }
    }
  }
  return mistakes;
}

}  // namespace tallyscan::portfolio
