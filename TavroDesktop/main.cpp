// tavro-desktop: the windowed typing tutor. It keeps its files where the
// terminal tutor keeps them (or in --data-dir DIR), so both show the same
// scores and choices. A refusal at start is one line on standard error with
// exit status 1.
#include "Platform/FileUserDefaults.h"
#include "TavroDesktop/DesktopStrings.h"
#include "TavroDesktop/DesktopTutor.h"
#include "TavroHost/Storage.h"

#include <QApplication>
#include <QCommandLineParser>

#include <exception>
#include <iostream>
#include <optional>
#include <string>

namespace {

int refuse(const std::string& message) {
  std::cerr << "tavro-desktop: " << message << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("tavro-desktop");
  tavro::desktop::useInterfaceFont();
  QCommandLineParser parser;
  parser.setApplicationDescription("The Tavro typing tutor in a window.");
  parser.addHelpOption();
  QCommandLineOption dataDir("data-dir", "Keep the scores and preferences in DIR.", "DIR");
  parser.addOption(dataDir);
  parser.process(application);
  try {
    std::optional<std::filesystem::path> folder;
    if (parser.isSet(dataDir)) {
      folder = parser.value(dataDir).toStdString();
      if (std::optional<std::string> problem = tavro::dataDirectoryProblem(*folder))
        return refuse(*problem);
    }
    std::optional<tavro::StoragePaths> paths =
        tavro::storagePaths(folder, tavro::processEnvironment());
    if (!paths) return refuse("no folder for the score archive: HOME is not set; use --data-dir DIR");
    tavro::LoadedArchive loaded = tavro::loadArchive(paths->archive());
    tavro::platform::FileUserDefaults preferences(paths->preferences());
    tavro::desktop::DesktopTutor window(*paths, std::move(loaded), preferences);
    window.resize(900, 700);
    window.show();
    return QApplication::exec();
  } catch (const std::exception& error) {
    return refuse(error.what());
  }
}
