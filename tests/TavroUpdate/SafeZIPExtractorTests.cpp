#include "TavroUpdate/SafeZIPExtractor.h"

#include "common/TestSupport.h"
#include "TavroUpdate/TestZipWriter.h"
#include "TavroUpdate/UpdateFailure.h"
#include "TavroUpdate/ZIPTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace tavro {
namespace {

using namespace tavro::testing;
namespace fs = std::filesystem;

int modeOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
  return static_cast<int>(status.st_mode & 07777);
}

// A temporary folder holding the archive and an empty destination beside it,
// so a test can see that nothing was written outside the destination.
struct Extraction {
  TemporaryDirectory root;
  fs::path archive = root / "update.zip";
  fs::path destination = root / "staging";

  explicit Extraction(const std::string& bytes) {
    writeFile(archive, bytes);
    fs::create_directory(destination);
  }

  std::string run() {
    return outcomeOf([&] { onWorkerThread([&] { SafeZIPExtractor::extract(archive, destination); }); });
  }

  // True when the root holds nothing but the archive and the destination.
  bool nothingOutsideDestination() const {
    for (const auto& entry : fs::directory_iterator(root.path())) {
      if (entry.path() != archive && entry.path() != destination) return false;
    }
    return true;
  }
};

TEST(SafeZIPExtractor, RefusesTheMainThreadBeforeTouchingAnything) {
  Extraction extraction(ZipWriter::archive({ZipEntry::file(top + "a", "a")}));
  EXPECT_EQ(outcomeOf([&] { SafeZIPExtractor::extract(extraction.archive, extraction.destination); }),
            UpdateFailure::mainThread);
  EXPECT_TRUE(fs::is_empty(extraction.destination));
  // Even a missing archive gets the main-thread answer first.
  EXPECT_EQ(outcomeOf([&] { SafeZIPExtractor::extract(extraction.root / "missing.zip", extraction.destination); }),
            UpdateFailure::mainThread);
}

TEST(SafeZIPExtractor, WritesEveryMemberWithItsContentAndPermissions) {
  std::string binary;
  for (unsigned i = 0; i < 300000; ++i) binary.push_back(static_cast<char>((i * 7919u) >> 3));
  ZipEntry modeless = ZipEntry::file(top + "Contents/Resources/plain.txt", "no mode", 8);
  modeless.externalAttributes = 0;
  ZipEntry described = ZipEntry::file(top + "Contents/Resources/described.txt", std::string(100000, 'd'));
  described.dataDescriptor = true;
  ZipEntry untypedDirectory = ZipEntry::directory(top + "Contents/Empty/");
  untypedDirectory.externalAttributes = 0;
  Extraction extraction(ZipWriter::archive({
      // A file before the directories that contain it.
      ZipEntry::file(top + "Contents/MacOS/Tavro", binary, 8, 0100755),
      ZipEntry::directory(top),
      ZipEntry::directory(top + "Contents/"),
      ZipEntry::file(top + "Contents/Info.plist", "<plist/>", 0),
      ZipEntry::file(top + "Contents/Resources/empty", "", 0, 0100640),
      modeless,
      described,
      untypedDirectory,
  }));
  ASSERT_EQ(extraction.run(), "success");

  const fs::path app = extraction.destination / "BRELVA Tavro.app";
  EXPECT_EQ(readFile(app / "Contents/MacOS/Tavro"), binary);
  EXPECT_EQ(modeOf(app / "Contents/MacOS/Tavro"), 0755);
  EXPECT_EQ(readFile(app / "Contents/Info.plist"), "<plist/>");
  EXPECT_EQ(modeOf(app / "Contents/Info.plist"), 0644);
  EXPECT_EQ(readFile(app / "Contents/Resources/empty"), "");
  EXPECT_EQ(modeOf(app / "Contents/Resources/empty"), 0640);
  EXPECT_EQ(readFile(app / "Contents/Resources/plain.txt"), "no mode");
  EXPECT_EQ(modeOf(app / "Contents/Resources/plain.txt"), 0644);
  EXPECT_EQ(readFile(app / "Contents/Resources/described.txt"), std::string(100000, 'd'));
  EXPECT_TRUE(fs::is_directory(app / "Contents/Empty"));
  EXPECT_EQ(listTree(extraction.destination),
            (std::vector<std::string>{"BRELVA Tavro.app", "BRELVA Tavro.app/Contents",
                                      "BRELVA Tavro.app/Contents/Empty", "BRELVA Tavro.app/Contents/Info.plist",
                                      "BRELVA Tavro.app/Contents/MacOS", "BRELVA Tavro.app/Contents/MacOS/Tavro",
                                      "BRELVA Tavro.app/Contents/Resources",
                                      "BRELVA Tavro.app/Contents/Resources/described.txt",
                                      "BRELVA Tavro.app/Contents/Resources/empty",
                                      "BRELVA Tavro.app/Contents/Resources/plain.txt"}));
}

TEST(SafeZIPExtractor, NeverGrantsGroupOrOtherWritePermission) {
  // A repacked release whose members are writable by anyone, extracted
  // under a umask that would let group write through.
  ZipEntry modelessDirectory = ZipEntry::directory(top + "Contents/Shared/");
  modelessDirectory.externalAttributes = 0;
  ZipEntry openDirectory = ZipEntry::directory(top + "Contents/Open/");
  openDirectory.externalAttributes = 040777u << 16;
  Extraction extraction(ZipWriter::archive({
      ZipEntry::directory(top),
      ZipEntry::file(top + "Contents/MacOS/Tavro", "program", 8, 0100777),
      ZipEntry::file(top + "Contents/Info.plist", "<plist/>", 0, 0100666),
      ZipEntry::file(top + "Contents/Resources/group", "g", 0, 0100775),
      modelessDirectory,
      openDirectory,
  }));
  const mode_t previous = ::umask(0002);
  const std::string outcome = extraction.run();
  ::umask(previous);
  ASSERT_EQ(outcome, "success");
  const fs::path app = extraction.destination / "BRELVA Tavro.app";
  struct Case {
    const char* path;
    int mode;
  };
  const Case cases[] = {{"Contents/MacOS/Tavro", 0755}, {"Contents/Info.plist", 0644},
                        {"Contents/Resources/group", 0755}, {"", 0755}, {"Contents", 0755},
                        {"Contents/MacOS", 0755}, {"Contents/Shared", 0755}, {"Contents/Open", 0755}};
  for (const Case& row : cases) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(modeOf(app / row.path), row.mode);
  }
}

// Members whose stored data lies about what it holds. `left` is what must
// be on disk afterwards: the file's size and mode, or nothing.
TEST(SafeZIPExtractor, RefusesMemberDataThatDisagreesWithTheDirectory) {
  const std::string text = std::string(200000, 'a') + std::string(200000, 'b');
  struct Case {
    std::string what;
    ZipEntry entry;
    std::optional<std::pair<std::uintmax_t, int>> left;  // size and mode of the output file
  };
  auto changed = [&](ZipEntry entry, std::function<void(ZipEntry&)> change) {
    change(entry);
    return entry;
  };
  const ZipEntry deflated = ZipEntry::file(top + "file", text, 8, 0100755);
  const ZipEntry stored = ZipEntry::file(top + "file", "stored bytes", 0, 0100755);
  const Case cases[] = {
      {"inflates beyond its declared size (a bomb)",
       changed(deflated, [](ZipEntry& m) { m.expandedSize = 100000; }), std::pair{std::uintmax_t{65536}, 0600}},
      {"inflates to less than its declared size", changed(deflated, [](ZipEntry& m) { m.expandedSize += 1; }),
       std::pair{std::uintmax_t{400000}, 0600}},
      {"wrong CRC-32 after the whole output", changed(deflated, [](ZipEntry& m) { m.crc ^= 1; }),
       std::pair{std::uintmax_t{400000}, 0600}},
      {"bytes after the end of the deflate stream",
       changed(deflated, [](ZipEntry& m) { m.stored += "tail"; m.compressedSize += 4; }),
       std::pair{std::uintmax_t{400000}, 0600}},
      {"deflate stream cut short",
       changed(deflated, [](ZipEntry& m) { m.stored.resize(m.stored.size() / 2); m.compressedSize = static_cast<std::uint32_t>(m.stored.size()); }),
       std::nullopt},
      {"deflate data that is not deflate",
       changed(deflated, [](ZipEntry& m) { m.stored = std::string(m.stored.size(), '\xFF'); }), std::nullopt},
      {"empty deflate data", changed(deflated, [](ZipEntry& m) { m.stored.clear(); m.compressedSize = 0; }),
       std::pair{std::uintmax_t{0}, 0600}},
      {"stored bytes longer than the expanded size",
       changed(stored, [](ZipEntry& m) { m.expandedSize -= 1; }), std::pair{std::uintmax_t{0}, 0600}},
      {"stored bytes shorter than the expanded size",
       changed(stored, [](ZipEntry& m) { m.expandedSize += 1; }), std::pair{std::uintmax_t{12}, 0600}},
      {"stored bytes with a wrong CRC-32", changed(stored, [](ZipEntry& m) { m.crc += 1; }),
       std::pair{std::uintmax_t{12}, 0600}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.what);
    Extraction extraction(ZipWriter::archive({ZipEntry::directory(top), row.entry}));
    EXPECT_EQ(extraction.run(), invalidArchive);
    EXPECT_TRUE(extraction.nothingOutsideDestination());
    const fs::path file = extraction.destination / "BRELVA Tavro.app/file";
    ASSERT_TRUE(fs::is_regular_file(file));
    EXPECT_EQ(modeOf(file), 0600);
    if (row.left) {
      EXPECT_EQ(fs::file_size(file), row.left->first);
    } else {
      EXPECT_LE(fs::file_size(file), text.size());
    }
  }
}

TEST(SafeZIPExtractor, RefusesDirectoryMembersThatCarryData) {
  ZipEntry directory = ZipEntry::directory(top + "Contents/");
  directory.expandedSize = 1;
  directory.compressedSize = 1;
  directory.stored = "x";
  Extraction extraction(ZipWriter::archive({ZipEntry::directory(top), directory}));
  EXPECT_EQ(extraction.run(), invalidArchive);
  EXPECT_FALSE(fs::exists(extraction.destination / "BRELVA Tavro.app/Contents"));
}

TEST(SafeZIPExtractor, ReportsAnOutputFileThatCannotBeCreated) {
  Extraction extraction(ZipWriter::archive({ZipEntry::file(top + "Contents", "x")}));
  // Something the archive cannot replace already sits where the file goes.
  fs::create_directories(extraction.destination / "BRELVA Tavro.app/Contents/Resources");
  EXPECT_EQ(extraction.run(), UpdateFailure::notVerified);
}

TEST(SafeZIPExtractor, NeverWritesThroughALinkAlreadyInTheDestination) {
  Extraction extraction(ZipWriter::archive({ZipEntry::file(top + "Info.plist", "new")}));
  writeFile(extraction.root / "victim", "untouched");
  fs::create_directories(extraction.destination / "BRELVA Tavro.app");
  fs::create_symlink(extraction.root / "victim", extraction.destination / "BRELVA Tavro.app/Info.plist");
  EXPECT_EQ(extraction.run(), "success");
  EXPECT_EQ(readFile(extraction.root / "victim"), "untouched");
  EXPECT_FALSE(fs::is_symlink(extraction.destination / "BRELVA Tavro.app/Info.plist"));
  EXPECT_EQ(readFile(extraction.destination / "BRELVA Tavro.app/Info.plist"), "new");
}

// Hostile archives refused by the inspection leave the destination empty.
TEST(SafeZIPExtractor, HostileArchivesAreRefusedBeforeAnythingIsWritten) {
  struct Case {
    std::string what;
    std::function<std::string()> archive;
    std::string expected;
  };
  auto of = [](std::vector<ZipEntry> entries, ZipEnd end = {}) {
    return [entries, end] { return ZipWriter::archive(entries, end); };
  };
  const ZipEntry plain = ZipEntry::file(top + "a", "a");
  ZipEntry link = ZipEntry::file(top + "Contents/link", "/etc/passwd", 0, 0120777);
  ZipEntry encrypted = ZipEntry::file(top + "secret", "secret");
  encrypted.flags |= 0x0001;
  ZipEntry pastDirectory = ZipEntry::file(top + "b", "b");
  pastDirectory.localHeaderOffset = 1000;
  ZipEnd zip64;
  zip64.recordsOnDisk = zip64.totalRecords = 0xFFFF;
  zip64.directoryOffset = 0xFFFFFFFF;
  std::string hiddenEnd;  // an end record at the end of the comment, pointing at nothing
  appendLittleEndian(hiddenEnd, 0x06054b50, 4);
  hiddenEnd += std::string(4, '\0');
  appendLittleEndian(hiddenEnd, 1, 2);
  appendLittleEndian(hiddenEnd, 1, 2);
  hiddenEnd += std::string(10, '\0');
  const Case cases[] = {
      {"parent traversal", of({ZipEntry::file(top + "../../evil", "x")}), unsafeArchive},
      {"absolute name", of({ZipEntry::file("/tmp/evil", "x")}), unsafeArchive},
      {"backslash traversal", of({ZipEntry::file(top + "..\\..\\evil", "x")}), unsafeArchive},
      {"drive-like name", of({ZipEntry::file("C:/evil", "x")}), unsafeArchive},
      {"symbolic link", of({ZipEntry::directory(top), link}), unsafeArchive},
      {"names colliding by case", of({ZipEntry::file(top + "a", "1"), ZipEntry::file(top + "A", "2")}),
       unsafeArchive},
      {"names colliding by normalisation",
       of({ZipEntry::file(top + "caf\xC3\xA9", "1"), ZipEntry::file(top + "cafe\xCC\x81", "2")}), unsafeArchive},
      {"names colliding by a trailing slash", of({ZipEntry::directory(top + "a/"), ZipEntry::file(top + "a", "2")}),
       unsafeArchive},
      {"encrypted member", of({ZipEntry::directory(top), encrypted}), unsafeArchive},
      {"local header past the central directory", of({plain, pastDirectory}), unsafeArchive},
      {"ZIP64 end record values", of({plain}, zip64), invalidArchive},
      {"end record inside the comment", of({plain}, ZipEnd::withComment(hiddenEnd)), invalidArchive},
      {"more than 9999 members",
       [&] {
         std::vector<ZipEntry> entries;
         for (int i = 0; i < 10000; ++i) entries.push_back(ZipEntry::file(top + std::to_string(i), "", 0));
         return ZipWriter::archive(entries);
       },
       invalidArchive},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.what);
    Extraction extraction(row.archive());
    EXPECT_EQ(extraction.run(), row.expected);
    EXPECT_TRUE(fs::is_empty(extraction.destination));
    EXPECT_TRUE(extraction.nothingOutsideDestination());
  }
}

// Two central records sharing one local header.
TEST(SafeZIPExtractor, RefusesMembersSharingOneLocalHeader) {
  ZipWriter writer;
  const ZipEntry entry = ZipEntry::file(top + "a", std::string(1000, 'a'));
  writer.add(entry);
  ZipEntry twin = entry;
  twin.name = top + "b";
  writer.addCentral(twin, 0);
  Extraction extraction(writer.finish());
  EXPECT_EQ(extraction.run(), unsafeArchive);
  EXPECT_TRUE(fs::is_empty(extraction.destination));
}

// The overlapping-file bomb: every member's deflate data quotes the next
// member's local header in a stored block and then runs on into that
// member's data, so all of them share one kernel of zeros. Each member is a
// valid ZIP member on its own; together they expand far beyond the archive.
// Raw deflate of `size` zero bytes, streamed from a small buffer, and the
// CRC-32 of those bytes.
std::pair<std::string, std::uint32_t> deflatedZeros(std::size_t size) {
  const std::string block(1 << 20, '\0');
  const std::uint32_t blockCrc = crc32Of(block);
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&stream, static_cast<uLong>(size)), '\0');
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  std::uint32_t crc = 0;
  for (std::size_t left = size; left > 0;) {
    const std::size_t chunk = std::min(left, block.size());
    left -= chunk;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
    stream.avail_in = static_cast<uInt>(chunk);
    deflate(&stream, left == 0 ? Z_FINISH : Z_NO_FLUSH);
    crc = static_cast<std::uint32_t>(chunk == block.size()
                                         ? crc32_combine(crc, blockCrc, static_cast<z_off_t>(chunk))
                                         : crc32_combine(crc, crc32Of(block.substr(0, chunk)), static_cast<z_off_t>(chunk)));
  }
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return {out, crc};
}

std::string overlappingBomb(int memberCount, std::size_t kernelSize) {
  const auto [kernel, kernelCrc] = deflatedZeros(kernelSize);
  std::vector<ZipEntry> entries(static_cast<std::size_t>(memberCount));
  std::vector<std::string> headers(entries.size());
  std::string data = kernel;  // the data of the member being described
  std::uint32_t crc = kernelCrc;
  std::uint64_t expanded = kernelSize;
  for (std::size_t i = entries.size(); i-- > 0;) {
    ZipEntry& entry = entries[i];
    entry.name = top + "bomb" + std::to_string(i);
    entry.method = 8;
    entry.externalAttributes = unixMode(0100644);
    entry.stored = data;
    entry.crc = crc;
    entry.compressedSize = static_cast<std::uint32_t>(data.size());
    entry.expandedSize = static_cast<std::uint32_t>(expanded);
    headers[i] = ZipWriter::localHeader(entry);
    // The previous member quotes this header in a non-final stored block.
    std::string quote(1, '\0');
    appendLittleEndian(quote, headers[i].size(), 2);
    appendLittleEndian(quote, static_cast<std::uint16_t>(~headers[i].size()), 2);
    data = quote + headers[i] + data;
    crc = static_cast<std::uint32_t>(
        crc32_combine(crc32Of(headers[i]), crc, static_cast<z_off_t>(expanded)));
    expanded += headers[i].size();
  }
  ZipWriter writer;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::uint32_t at = writer.offset();
    writer.raw(headers[i]);
    if (i + 1 < entries.size()) {
      std::string quote(1, '\0');
      appendLittleEndian(quote, headers[i + 1].size(), 2);
      appendLittleEndian(quote, static_cast<std::uint16_t>(~headers[i + 1].size()), 2);
      writer.raw(quote);
    }
    writer.addCentral(entries[i], at);
  }
  writer.raw(kernel);
  return writer.finish();
}

TEST(SafeZIPExtractor, OverlappingMembersAreBoundedByTheExpandedTotal) {
  // Small enough to pass: the shared data really does extract.
  {
    Extraction extraction(overlappingBomb(3, 1 << 20));
    ASSERT_EQ(extraction.run(), "success");
    EXPECT_EQ(listTree(extraction.destination).size(), 4u);
    EXPECT_GT(fs::file_size(extraction.destination / "BRELVA Tavro.app/bomb0"), std::uintmax_t{1} << 20);
  }
  // Nine members of just under 64 MiB from an archive of about 64 KiB: the
  // total passes 512 MiB and the archive is refused before any member is
  // inflated.
  {
    Extraction extraction(overlappingBomb(9, 67108864 - 1024));
    EXPECT_LT(fs::file_size(extraction.archive), 100000u);
    EXPECT_EQ(extraction.run(), unsafeArchive);
    EXPECT_TRUE(fs::is_empty(extraction.destination));
  }
}

TEST(SafeZIPExtractor, PassesPlatformFailuresOn) {
  TemporaryDirectory root;
  EXPECT_EQ(outcomeOf([&] { onWorkerThread([&] { SafeZIPExtractor::extract(root / "missing.zip", root / "d"); }); }),
            "system_error");
  // A destination below a regular file cannot hold directories.
  writeFile(root / "update.zip", ZipWriter::archive({ZipEntry::file(top + "a/b", "x")}));
  writeFile(root / "file", "");
  EXPECT_EQ(outcomeOf([&] { onWorkerThread([&] { SafeZIPExtractor::extract(root / "update.zip", root / "file"); }); }),
            "system_error");
}

TEST(SafeZIPExtractor, WriteCountsChecksAndAppendsEachChunk) {
  TemporaryDirectory root;
  const int descriptor = ::open((root / "out").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(descriptor, 0);
  SafeZIPExtractor::MemberOutput output{descriptor, 10, 0, 0};
  const std::string first = "abcdef";
  const std::string crossing = "ghijk";  // would make 11 bytes
  SafeZIPExtractor::write(output, std::span(reinterpret_cast<const unsigned char*>(first.data()), first.size()));
  SafeZIPExtractor::write(output, {});
  EXPECT_EQ(output.written, 6);
  EXPECT_EQ(output.crc, crc32Of("abcdef"));
  EXPECT_EQ(outcomeOf([&] {
              SafeZIPExtractor::write(
                  output, std::span(reinterpret_cast<const unsigned char*>(crossing.data()), crossing.size()));
            }),
            invalidArchive);
  ::close(descriptor);
  // The chunk that crossed the limit never reached the file.
  EXPECT_EQ(readFile(root / "out"), "abcdef");
}

}  // namespace
}  // namespace tavro
