#pragma once

// The options of a sub-command, listed once: main checks every "--" argument against the
// command's list before the command reads the values, and "COMMAND --help" prints the same
// list. A name that is not in it is a usage error that names the nearest one.

#include <cstddef>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace tallyscan::cli {

struct CommandOption {
  std::string_view name;      // "--format"
  std::string_view operands;  // the words that follow it, separated by blanks ("F"), or ""
  std::string_view help;      // lines without indentation, separated by '\n'

  std::size_t OperandCount() const;
};

// The option of that name, or nullptr.
const CommandOption* FindOption(std::span<const CommandOption> options, std::string_view name);

// The name of `names` nearest to `typed` by edit distance, or "" when none is near enough to
// be a slip of the keyboard (a distance above a third of the longer name, and above 2).
std::string_view NearestName(std::span<const std::string_view> names, std::string_view typed);
std::string_view NearestOption(std::span<const CommandOption> options, std::string_view typed);

// Checks the arguments of a command against its options: each argument that starts with
// "--" must be one of them, and the operands an option takes are not looked at. Gives "" or
// the usage error's text for the first that is not one ("unknown option --formt (did you
// mean --format?)").
std::string UnknownOptionIn(std::span<const CommandOption> options, std::span<char* const> args);

// Two columns: the option with its operands, then its help, the help's further lines below it.
void PrintOptions(std::ostream& out, std::span<const CommandOption> options);

}  // namespace tallyscan::cli
