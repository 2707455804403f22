#include "cli/option_table.h"

#include <algorithm>
#include <vector>

namespace tallyscan::cli {
namespace {

constexpr std::size_t kHelpColumn = 23;

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::size_t CommandOption::OperandCount() const {
  std::size_t count = 0;
  bool in_word = false;
  for (const char c : operands) {
    if (c != ' ' && !in_word) ++count;
    in_word = c != ' ';
  }
  return count;
}

const CommandOption* FindOption(std::span<const CommandOption> options, std::string_view name) {
  for (const CommandOption& option : options) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

std::string_view NearestName(std::span<const std::string_view> names, std::string_view typed) {
  std::string_view nearest;
  std::size_t best = 0;
  for (const std::string_view name : names) {
    const std::size_t distance = EditDistance(name, typed);
    if (nearest.empty() || distance < best) {
      nearest = name;
      best = distance;
    }
  }
  const std::size_t longer = std::max(nearest.size(), typed.size());
  return best <= std::max<std::size_t>(2, longer / 3) ? nearest : std::string_view();
}

std::string_view NearestOption(std::span<const CommandOption> options, std::string_view typed) {
  std::vector<std::string_view> names;
  for (const CommandOption& option : options) names.push_back(option.name);
  return NearestName(names, typed);
}

std::string UnknownOptionIn(std::span<const CommandOption> options, std::span<char* const> args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (!arg.starts_with("--")) continue;
    if (const CommandOption* option = FindOption(options, arg)) {
      i += option->OperandCount();
      continue;
    }
    std::string problem = "unknown option " + std::string(arg);
    const std::string_view nearest = NearestOption(options, arg);
    if (!nearest.empty()) problem += " (did you mean " + std::string(nearest) + "?)";
    return problem;
  }
  return {};
}

void PrintOptions(std::ostream& out, std::span<const CommandOption> options) {
  for (const CommandOption& option : options) {
    std::string head = "  " + std::string(option.name);
    if (!option.operands.empty()) head += " " + std::string(option.operands);
    // A long head has its help on the next line.
    if (head.size() + 1 > kHelpColumn) head += "\n" + std::string(kHelpColumn, ' ');
    out << head
        << std::string(head.find('\n') == std::string::npos ? kHelpColumn - head.size() : 0, ' ');
    std::string_view help = option.help;
    for (bool first = true; !help.empty(); first = false) {
      const std::size_t end = help.find('\n');
      if (!first) out << std::string(kHelpColumn, ' ');
      out << help.substr(0, end) << "\n";
      help.remove_prefix(end == std::string_view::npos ? help.size() : end + 1);
    }
  }
}

}  // namespace tallyscan::cli
