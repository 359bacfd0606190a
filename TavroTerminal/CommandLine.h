// The command line of `tavro`: what to do and where the files are.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tavro::terminal {

struct CommandLine {
  enum class Command { tutor, stats, help, version };

  Command command = Command::tutor;
  std::optional<std::filesystem::path> dataDirectory;  // --data-dir DIR
  bool days = false;  // stats --days: one line per day with rounds after the tables

  // Reads the arguments after the program name. The error text (one line,
  // without the program name) for anything it does not know.
  static std::variant<CommandLine, std::string> parse(const std::vector<std::string>& arguments);
};

// The text of `tavro --help`.
std::string helpText();

// The text of `tavro --version`.
std::string versionText();

}  // namespace tavro::terminal
