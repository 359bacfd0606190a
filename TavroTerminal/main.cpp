// tavro: the terminal typing tutor. Checks what the full screen needs (a
// terminal on both ends, one large enough, a UTF-8 locale) before it starts,
// so that every refusal is one line on standard error with exit status 1.
#include "Platform/FileUserDefaults.h"
#include "Platform/HTTPTransport.h"
#include "TavroTerminal/CommandLine.h"
#include "TavroTerminal/ScoreText.h"
#include "TavroHost/PreferencesNotice.h"
#include "TavroHost/Storage.h"
#include "TavroTerminal/TerminalScreen.h"
#include "TavroTerminal/TerminalType.h"
#include "TavroTerminal/Tutor.h"

#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <clocale>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace tavro::terminal;
using tavro::LoadedArchive;
using tavro::StoragePaths;
using tavro::dataDirectoryProblem;
using tavro::loadArchive;
using tavro::processEnvironment;
using tavro::storagePaths;

int refuse(const std::string& message) {
  std::cerr << "tavro: " << message << '\n';
  return 1;
}

bool utf8Locale() {
  return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
}

int run(const std::vector<std::string>& arguments) {
  auto parsed = CommandLine::parse(arguments);
  if (auto* error = std::get_if<std::string>(&parsed))
    return refuse(*error + " (see tavro --help)");
  const CommandLine& options = std::get<CommandLine>(parsed);
  switch (options.command) {
    case CommandLine::Command::help:
      std::cout << helpText();
      return 0;
    case CommandLine::Command::version:
      std::cout << versionText();
      return 0;
    default:
      break;
  }

  std::setlocale(LC_ALL, "");
  if (!utf8Locale()) {
    // A system without a UTF-8 locale configured still has C.UTF-8.
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr || !utf8Locale()) {
      return refuse(
          "the locale cannot show UTF-8 text and C.UTF-8 is not available; set LANG to a UTF-8 "
          "locale");
    }
  }

  // Taken as a folder, a file would only fail at the first save, after the
  // setup was skipped for an "archive" that is not one.
  if (options.dataDirectory) {
    if (std::optional<std::string> problem = dataDirectoryProblem(*options.dataDirectory))
      return refuse(printable(*problem));
  }
  std::optional<StoragePaths> paths = storagePaths(options.dataDirectory, processEnvironment());
  if (!paths) return refuse("no folder for the score archive: HOME is not set; use --data-dir DIR");

  if (options.command == CommandLine::Command::stats) {
    LoadedArchive loaded = loadArchive(paths->archive(), false);
    if (loaded.notice) return refuse(printable(loaded.notice->text()));
    // Speeds in the unit the learner chose for the screens.
    tavro::platform::FileUserDefaults preferences(paths->preferences());
    std::cout << printable(
        statsReport(loaded.archive, preferredSpeedUnit(preferences), options.days));
    return 0;
  }

  if (!isatty(STDIN_FILENO))
    return refuse("standard input is not a terminal; run tavro in a terminal");
  if (!isatty(STDOUT_FILENO))
    return refuse("standard output is not a terminal; use 'tavro stats' for the scores");
  if (std::optional<std::string> reason = unusableTerminal()) return refuse(printable(*reason));
  struct winsize size {};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 &&
      (size.ws_col < Tutor::minimumWidth || size.ws_row < Tutor::minimumHeight)) {
    return refuse("the terminal is " + std::to_string(size.ws_col) + "x" +
                  std::to_string(size.ws_row) + "; tavro needs at least " +
                  std::to_string(Tutor::minimumWidth) + "x" + std::to_string(Tutor::minimumHeight));
  }

  LoadedArchive loaded = loadArchive(paths->archive());
  tavro::platform::FileUserDefaults preferences(paths->preferences());
  std::optional<tavro::HostMessage> notice = tavro::damagedPreferencesNotice(preferences);
  Tutor tutor(*paths, std::move(loaded), preferences);
  if (notice) tutor.addNotice(*notice);
  tutor.setAccountService([](std::function<bool()> cancelled) {
    tavro::platform::HTTPTransport::Options options;
    options.cancelled = std::move(cancelled);
    return tavro::TavroCloudSync::fetchThrough(tavro::platform::HTTPTransport(std::move(options)));
  });
  runTerminal(tutor);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    return run(arguments);
  } catch (const std::exception& error) {
    return refuse(printable(error.what()));
  }
}
