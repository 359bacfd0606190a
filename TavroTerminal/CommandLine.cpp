#include "TavroTerminal/CommandLine.h"

#include "TavroCore/release/ReleaseIdentity.h"
#include "TavroTerminal/ScoreText.h"

namespace tavro::terminal {

std::variant<CommandLine, std::string> CommandLine::parse(
    const std::vector<std::string>& arguments) {
  CommandLine result;
  bool commandGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      result.command = Command::help;
      return result;
    }
    if (argument == "--version") {
      result.command = Command::version;
      return result;
    }
    if (argument == "--data-dir" || argument.rfind("--data-dir=", 0) == 0) {
      std::string value;
      if (argument == "--data-dir") {
        if (i + 1 == arguments.size()) return std::string("--data-dir needs a folder");
        value = arguments[++i];
      } else {
        value = argument.substr(std::string("--data-dir=").size());
      }
      if (value.empty()) return std::string("--data-dir needs a folder");
      if (result.dataDirectory) return std::string("--data-dir is given twice");
      result.dataDirectory = value;
      continue;
    }
    if (argument == "--days") {
      if (result.days) return std::string("--days is given twice");
      result.days = true;
      continue;
    }
    if (argument == "stats" && !commandGiven) {
      result.command = Command::stats;
      commandGiven = true;
      continue;
    }
    if (!argument.empty() && argument[0] == '-') return "unknown option " + printable(argument);
    return "unexpected argument " + printable(argument);
  }
  // Days are a part of the printed report; the tutor has its own screens.
  if (result.days && result.command != Command::stats) return std::string("--days goes with stats");
  return result;
}

std::string helpText() {
  return "Usage: tavro [--data-dir DIR] [stats [--days]]\n"
         "\n"
         "A touch-typing tutor for the terminal: Japanese (romaji or kana keys, JLPT N5 to N1),\n"
         "English and Nepali, with live speed and accuracy, top-five scores and weak-key rounds.\n"
         "\n"
         "  tavro              start the tutor (needs a terminal of at least 80x24)\n"
         "  tavro stats        print the score tables and weakest keys, then exit\n"
         "  tavro stats --days also print one line per day with rounds (local days of TZ):\n"
         "                     rounds, best and median speed, accuracy and time practised\n"
         "  --data-dir DIR     keep the score archive and preferences in DIR\n"
         "  --help             show this text\n"
         "  --version          show the version\n"
         "\n"
         "Files: the score archive is $XDG_DATA_HOME/tavro/archive.json (default\n"
         "~/.local/share/tavro/), preferences are in $XDG_CONFIG_HOME/tavro/ (default\n"
         "~/.config/tavro/). A damaged archive is kept beside it as archive.json.damaged-TIME.\n";
}

std::string versionText() {
  return "tavro " + std::string(ReleaseIdentity::version) + " (build " +
         std::string(ReleaseIdentity::build) + ")\n";
}

}  // namespace tavro::terminal
