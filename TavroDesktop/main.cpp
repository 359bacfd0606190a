// tavro-desktop: the windowed typing tutor. It keeps its files where the
// terminal tutor keeps them (or in --data-dir DIR), so both show the same
// scores and choices. A refusal at start is one line on standard error with
// exit status 1.
//
// The browser ends a sign-in by starting the program with the callback
// address. When a window of the same data folder runs, that start hands the
// address over and exits 0; otherwise it opens the window, which takes the
// address once it is up.
#include "Platform/FileUserDefaults.h"
#include "Platform/HTTPTransport.h"
#include "TavroCore/account/TavroCloudSync.h"
#include "TavroDesktop/AccountPage.h"
#include "TavroDesktop/CallbackChannel.h"
#include "TavroDesktop/DesktopStrings.h"
#include "TavroDesktop/DesktopTutor.h"
#include "TavroDesktop/SecretTokenStore.h"
#include "TavroHost/PreferencesNotice.h"
#include "TavroHost/Storage.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

using tavro::desktop::CallbackChannel;

// How long a start waits for the running window to take the address.
constexpr int handOverMilliseconds = 2000;

int refuse(const std::string& message) {
  std::cerr << "tavro-desktop: " << message << '\n';
  return 1;
}

const QCommandLineOption dataDirOption("data-dir", "Keep the scores and preferences in DIR.", "DIR");

void describeOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription("The Tavro typing tutor in a window.");
  parser.addHelpOption();
  parser.addOption(dataDirOption);
  parser.addPositionalArgument(
      "address",
      "A sign-in callback address (brelva-tavro:...), as the browser passes it: "
      "handed to the window of the same data folder, or taken by the new window.",
      "[address]");
}

// What the arguments ask for: the folders and the callback address, or why
// the program cannot start.
struct StartRequest {
  std::optional<tavro::StoragePaths> paths;
  std::optional<QString> callback;
  std::optional<std::string> refusal;
};

StartRequest readArguments(const QCommandLineParser& parser) {
  StartRequest request;
  const QStringList positional = parser.positionalArguments();
  if (positional.size() > 1) {
    request.refusal = "one argument at most, a sign-in callback address; see --help";
    return request;
  }
  if (positional.size() == 1) {
    // Never repeated in a message: the address holds a sign-in code.
    if (!CallbackChannel::acceptable(positional.front().toUtf8())) {
      request.refusal = "the argument is not a sign-in callback address the tutor takes; see --help";
      return request;
    }
    request.callback = positional.front();
  }
  std::optional<std::filesystem::path> folder;
  if (parser.isSet(dataDirOption)) {
    folder = parser.value(dataDirOption).toStdString();
    if (std::optional<std::string> problem = tavro::dataDirectoryProblem(*folder)) {
      request.refusal = *problem;
      return request;
    }
  }
  request.paths = tavro::storagePaths(folder, tavro::processEnvironment());
  if (!request.paths)
    request.refusal = "no folder for the score archive: HOME is not set; use --data-dir DIR";
  return request;
}

// True when the arguments ask for help or carry a callback address: both
// are answered without a display, before the window's application exists.
bool answeredWithoutWindow(int argc, char** argv) {
  for (int index = 1; index < argc; ++index) {
    std::string_view argument = argv[index];
    if (argument == "-h" || argument == "--help" || argument == "-?" || argument == "--help-all" ||
        argument.starts_with("brelva-tavro:"))
      return true;
  }
  return false;
}

// Help, or the hand-over of the address to the running window: the exit
// status when that is all this start does.
std::optional<int> answerWithoutWindow(int& argc, char** argv) {
  QCoreApplication starting(argc, argv);
  QCoreApplication::setApplicationName("tavro-desktop");
  QCommandLineParser parser;
  describeOptions(parser);
  // Options of the window's toolkit (-platform, -display) are known only
  // to the window's application: the window's start reads them.
  if (!parser.parse(QCoreApplication::arguments())) return std::nullopt;
  if (parser.isSet("help") || parser.isSet("help-all")) {
    std::cout << parser.helpText().toStdString();
    return 0;
  }
  StartRequest request = readArguments(parser);
  if (request.refusal) return refuse(*request.refusal);
  if (request.callback &&
      CallbackChannel::handOver(CallbackChannel::nameFor(*request.paths), *request.callback,
                                handOverMilliseconds))
    return 0;
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (answeredWithoutWindow(argc, argv)) {
      if (std::optional<int> status = answerWithoutWindow(argc, argv)) return *status;
    }
  } catch (const std::exception& error) {
    return refuse(error.what());
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("tavro-desktop");
  tavro::desktop::useInterfaceFont();
  QCommandLineParser parser;
  describeOptions(parser);
  parser.process(application);
  try {
    StartRequest request = readArguments(parser);
    if (request.refusal) return refuse(*request.refusal);
    const tavro::StoragePaths& paths = *request.paths;
    // Later starts hand their callback addresses to this window. Without
    // the channel (another window of the folder has it) the window still
    // works; sign-in then ends in that other window.
    CallbackChannel channel(CallbackChannel::nameFor(paths));
    if (!channel.listen())
      std::cerr << "tavro-desktop: sign-in callbacks cannot reach this window: "
                << channel.problem().toStdString() << '\n';
    tavro::LoadedArchive loaded = tavro::loadArchive(paths.archive());
    tavro::platform::FileUserDefaults preferences(paths.preferences());
    std::optional<tavro::HostMessage> notice = tavro::damagedPreferencesNotice(preferences);
    // The token in the system's keyring where a Secret Service answers,
    // else in the owner-only file the terminal tutor keeps it in.
    std::unique_ptr<tavro::desktop::DesktopTokenStore> tokens = tavro::desktop::chooseTokenStore(paths);
    bool keyring = tokens->usesKeyring();
    tavro::desktop::DesktopTutor window(paths, std::move(loaded), preferences, std::move(tokens), keyring);
    if (notice) window.addNotice(*notice);
    window.accountPage().setService([](std::function<bool()> cancelled) {
      tavro::platform::HTTPTransport::Options options;
      options.cancelled = std::move(cancelled);
      return tavro::TavroCloudSync::fetchThrough(tavro::platform::HTTPTransport(std::move(options)));
    });
    QObject::connect(&channel, &CallbackChannel::callbackReceived, &window,
                     &tavro::desktop::DesktopTutor::takeCallback);
    // The size it had when it was closed.
    if (tavro::desktop::DesktopTutor::rememberedMaximized(preferences)) {
      window.showMaximized();
    } else {
      window.show();
    }
    // The address this start came with reaches the window the way a later
    // start's does, once the event loop runs.
    if (request.callback)
      QTimer::singleShot(0, &channel, [&channel, address = *request.callback] { channel.deliver(address); });
    return QApplication::exec();
  } catch (const std::exception& error) {
    return refuse(error.what());
  }
}
