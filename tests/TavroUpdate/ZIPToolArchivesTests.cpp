// Archives made by common tools: the kind the release process produces must
// pass, the kind with per-file extra fields must not.
#include "TavroUpdate/SafeZIPExtractor.h"
#include "TavroUpdate/ZIPInspection.h"

#include "common/TestSupport.h"
#include "TavroUpdate/UpdateFailure.h"
#include "TavroUpdate/ZIPTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tavro {
namespace {

using namespace tavro::testing;
namespace fs = std::filesystem;

// A small application bundle: nested directories, an executable, text and
// binary files, an empty file and an empty directory.
void makeBundle(const fs::path& parent) {
  const fs::path app = parent / "BRELVA Tavro.app";
  fs::create_directories(app / "Contents/MacOS");
  fs::create_directories(app / "Contents/PlugIns");
  fs::create_directories(app / "Contents/Resources");
  writeFile(app / "Contents/Info.plist", "<?xml version=\"1.0\"?>\n<plist><dict/></plist>\n");
  writeFile(app / "Contents/MacOS/Tavro", std::string("\x7f" "ELF", 4) + std::string(70000, 'x'));
  fs::permissions(app / "Contents/MacOS/Tavro", fs::perms(0755));
  std::string binary;
  for (int i = 0; i < 100000; ++i) binary.push_back(static_cast<char>(i * 2654435761u >> 24));
  writeFile(app / "Contents/Resources/data.bin", binary);
  writeFile(app / "Contents/Resources/empty", "");
}

// Runs `script` with /bin/sh in `directory`.
ProcessResult shell(const fs::path& directory, const std::string& script) {
  std::string command = "cd \"$0\" && ";
  command += script;
  return runProcess("/bin/sh", {"-c", command, directory.string()});
}

std::string tree(const fs::path& root) {
  std::string result;
  for (const auto& path : listTree(root)) {
    const fs::path full = root / path;
    result += path;
    if (fs::is_regular_file(full)) {
      struct stat status {};
      ::stat(full.c_str(), &status);
      result += ' ';
      result += std::to_string(status.st_mode & 0777);
      result += ' ';
      result += readFile(full).substr(0, 16);
    }
    result += "\n";
  }
  return result;
}

TEST(ZIPToolArchives, ArchivesWithoutExtraFieldsAreAcceptedAndExtractAsTheyWere) {
  struct Case {
    std::string tool;
    std::string command;
  };
  const Case cases[] = {
      {"Info-ZIP zip -X -r", "zip -q -X -r update.zip 'BRELVA Tavro.app'"},
      {"Python zipfile",
       "/usr/bin/python3 -c \"import os, zipfile\n"
       "with zipfile.ZipFile('update.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
       "  for root, dirs, files in os.walk('BRELVA Tavro.app'):\n"
       "    for name in sorted(dirs) + sorted(files): z.write(os.path.join(root, name))\n\""},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.tool);
    TemporaryDirectory root;
    makeBundle(root / "source");
    const ProcessResult made = shell(root / "source", row.command);
    ASSERT_EQ(made.exitStatus, 0) << made.standardError;
    fs::rename(root / "source/update.zip", root / "update.zip");

    const auto names = ZIPInspection::inspect(root / "update.zip");
    EXPECT_NE(std::find(names.begin(), names.end(), "BRELVA Tavro.app/Contents/MacOS/Tavro"), names.end());
    fs::create_directory(root / "staging");
    onWorkerThread([&] { SafeZIPExtractor::extract(root / "update.zip", root / "staging"); });
    EXPECT_EQ(tree(root / "staging"), tree(root / "source"));
  }
}

TEST(ZIPToolArchives, InfoZipWithoutDashXIsRefusedForItsExtraFields) {
  TemporaryDirectory root;
  makeBundle(root.path());
  const ProcessResult made = shell(root.path(), "zip -q -r update.zip 'BRELVA Tavro.app'");
  ASSERT_EQ(made.exitStatus, 0) << made.standardError;
  EXPECT_EQ(outcomeOf([&] { ZIPInspection::members(root / "update.zip"); }), UpdateFailure::unsafeArchive);
}

}  // namespace
}  // namespace tavro
