#include "TavroUpdate/ZIPInspection.h"

#include "common/TestSupport.h"
#include "TavroUpdate/TestZipWriter.h"
#include "TavroUpdate/UpdateFailure.h"
#include "TavroUpdate/ZIPTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <functional>

namespace tavro {
namespace {

using namespace tavro::testing;
namespace fs = std::filesystem;

std::string outcomeOfMembers(const std::string& bytes) {
  TemporaryDirectory directory;
  writeFile(directory / "update.zip", bytes);
  return outcomeOf([&] { ZIPInspection::members(directory / "update.zip"); });
}

// A small well-formed archive to start each malformed variant from.
std::vector<ZipEntry> sampleEntries() {
  return {ZipEntry::directory(top), ZipEntry::file(top + "Contents/Info.plist", std::string(300, 'p')),
          ZipEntry::file(top + "Contents/MacOS/Tavro", "binary\x01\x02", 0, 0100755)};
}

TEST(ZIPInspection, ReadsEveryMemberFromTheCentralDirectory) {
  TemporaryDirectory directory;
  ZipEntry modeless = ZipEntry::file(top + "Contents/Resources/readme.txt", "hello", 0);
  modeless.externalAttributes = 0;
  ZipEntry described = ZipEntry::file(top + "Contents/Resources/described.txt", "described text");
  described.dataDescriptor = true;
  ZipEntry untypedDirectory = ZipEntry::directory(top + "Contents/Empty/");
  untypedDirectory.externalAttributes = 0;
  const std::vector<ZipEntry> entries = {ZipEntry::file(top + "Contents/MacOS/Tavro", "#!/bin/sh\n", 0, 0100755),
                                         ZipEntry::directory(top), modeless, described, untypedDirectory};
  ZipWriter writer;
  std::vector<std::uint32_t> offsets;
  writer.raw("self-extractor stub");  // data before the first member is allowed
  for (const auto& entry : entries) offsets.push_back(writer.add(entry));
  writeFile(directory / "update.zip", writer.finish(ZipEnd::withComment("archive comment")));

  const auto members = ZIPInspection::members(directory / "update.zip");
  ASSERT_EQ(members.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].name);
    EXPECT_EQ(members[i].name, entries[i].name);
    EXPECT_EQ(members[i].dataOffset, offsets[i] + 30 + entries[i].name.size());
    EXPECT_EQ(members[i].compressedSize, entries[i].compressedSize);
    EXPECT_EQ(members[i].expandedSize, entries[i].expandedSize);
    EXPECT_EQ(members[i].method, entries[i].method);
    EXPECT_EQ(members[i].crc, entries[i].crc);
  }
  EXPECT_EQ(members[0].permissions, 0755);
  EXPECT_EQ(members[1].permissions, 0755);
  EXPECT_EQ(members[2].permissions, 0);
  EXPECT_EQ(members[3].permissions, 0644);
  EXPECT_EQ(members[3].crc, crc32Of("described text"));

  const auto names = ZIPInspection::inspect(directory / "update.zip");
  ASSERT_EQ(names.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(names[i], entries[i].name);
}

TEST(ZIPInspection, SafePathAcceptsOnlyRelativeNamesInsideTheApplication) {
  struct Case {
    std::string name;
    bool safe;
  };
  const Case cases[] = {
      {"BRELVA Tavro.app/", true},
      {"BRELVA Tavro.app", true},
      {"BRELVA Tavro.app/Contents/MacOS/Tavro", true},
      {"BRELVA Tavro.app/Contents/Resources/日本語.txt", true},
      {"BRELVA Tavro.app/Contents/", true},
      {"", false},
      {"BRELVA Tavro.app/../x", false},
      {"BRELVA Tavro.app/Contents/../../x", false},
      {"BRELVA Tavro.app/./x", false},
      {"Other.app/x", false},
      {"/BRELVA Tavro.app/x", false},
      {"BRELVA Tavro.app//x", false},
      {"BRELVA Tavro.app//", false},
      {"BRELVA Tavro.app/a:b", false},
      {"C:/BRELVA Tavro.app/x", false},
      {"BRELVA Tavro.app/C:", false},
      {"brelva tavro.app/x", false},
      {"BRELVA Tavro.app\\..\\x", false},
      {"BRELVA Tavro.app/a\\b", false},
      {std::string("BRELVA Tavro.app/a\0b", 20), false},
      {"./BRELVA Tavro.app/x", false},
      // Control characters: a line feed would split the installer's report.
      {"BRELVA Tavro.app/x\nDownload the fixed version at example.com", false},
      {"BRELVA Tavro.app/x\ry", false},
      {"BRELVA Tavro.app/\x1B[2Jx", false},
      {"BRELVA Tavro.app/x\x7F", false},
      {"BRELVA Tavro.app/tab\there", false},
      {"BRELVA Tavro.app/x\u00A0y", true},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ZIPInspection::safePath(row.name), row.safe);
  }
}

TEST(ZIPInspection, UintReadsLittleEndianFieldsAndRefusesReadsOutsideTheData) {
  const unsigned char data[] = {0x50, 0x4b, 0x05, 0x06, 0xff};
  EXPECT_EQ(ZIPInspection::uint(data, 0, 4), 0x06054b50u);
  EXPECT_EQ(ZIPInspection::uint(data, 3, 2), 0xff06u);
  for (const auto& [offset, count] : {std::pair{4, 2}, std::pair{-1, 2}, std::pair{5, 2}, std::pair{2, 4}}) {
    SCOPED_TRACE(std::to_string(offset) + "+" + std::to_string(count));
    EXPECT_EQ(outcomeOf([&] { ZIPInspection::uint(data, offset, count); }), invalidArchive);
  }
}

// Each row breaks one rule of an otherwise well-formed archive.
TEST(ZIPInspection, RefusesEachBrokenRuleWithItsMessage) {
  struct Case {
    std::string what;
    std::function<std::string()> archive;
    std::string expected;
  };
  auto withEntry = [](std::function<void(ZipEntry&)> change) {
    return [change] {
      auto entries = sampleEntries();
      change(entries[1]);
      return ZipWriter::archive(entries);
    };
  };
  auto withEnd = [](std::function<void(ZipEnd&)> change) {
    return [change] {
      ZipEnd end;
      change(end);
      return ZipWriter::archive(sampleEntries(), end);
    };
  };
  auto withNames = [](std::vector<std::string> names) {
    return [names] {
      std::vector<ZipEntry> entries;
      for (const auto& name : names) {
        entries.push_back(name.back() == '/' ? ZipEntry::directory(name) : ZipEntry::file(name, "x"));
      }
      return ZipWriter::archive(entries);
    };
  };
  const std::string nfcName = top + "caf\xC3\xA9";   // é precomposed
  const std::string nfdName = top + "cafe\xCC\x81";  // e + combining acute

  const Case cases[] = {
      // Container structure.
      {"file of 21 bytes", [] { return std::string(21, '\0'); }, invalidArchive},
      {"no end record", [] { return std::string(4096, 'z'); }, invalidArchive},
      {"end record signature wrong", withEnd([](ZipEnd& e) { e.signature = 0x06054b51; }), invalidArchive},
      {"comment length short of the end", withEnd([](ZipEnd& e) { e.comment = "abc"; e.commentLength = 2; }),
       invalidArchive},
      {"comment length past the end", withEnd([](ZipEnd& e) { e.comment = "abc"; e.commentLength = 4; }),
       invalidArchive},
      {"bytes after the end record", withEnd([](ZipEnd& e) { e.trailing = "junk"; }), invalidArchive},
      {"second disk", withEnd([](ZipEnd& e) { e.thisDisk = 1; }), invalidArchive},
      {"directory on another disk", withEnd([](ZipEnd& e) { e.directoryDisk = 1; }), invalidArchive},
      {"records on disk differ from total", withEnd([](ZipEnd& e) { e.recordsOnDisk = 2; }), invalidArchive},
      {"zero members", withEnd([](ZipEnd& e) { e.recordsOnDisk = 0; e.totalRecords = 0; }), invalidArchive},
      {"10000 members announced", withEnd([](ZipEnd& e) { e.recordsOnDisk = 10000; e.totalRecords = 10000; }),
       invalidArchive},
      {"ZIP64 member count", withEnd([](ZipEnd& e) { e.recordsOnDisk = 0xFFFF; e.totalRecords = 0xFFFF; }),
       invalidArchive},
      {"ZIP64 directory offset", withEnd([](ZipEnd& e) { e.directoryOffset = 0xFFFFFFFF; }), invalidArchive},
      {"ZIP64 end record and locator before the end record",
       withEnd([](ZipEnd& e) {
         std::string zip64;
         appendLittleEndian(zip64, 0x06064b50, 4);
         zip64 += std::string(52, '\0');
         appendLittleEndian(zip64, 0x07064b50, 4);
         zip64 += std::string(16, '\0');
         e.beforeEndRecord = zip64;
       }),
       invalidArchive},
      {"directory offset disagrees with the end record position", withEnd([](ZipEnd& e) { e.directoryOffset = 4; }),
       invalidArchive},
      {"directory larger than 8 MiB",
       withEnd([](ZipEnd& e) { e.directoryPadding = std::string(8388609, '\0'); }), invalidArchive},
      {"directory four bytes longer than its records",
       withEnd([](ZipEnd& e) { e.directoryPadding = std::string(4, '\0'); }), invalidArchive},
      {"fewer records than announced", withEnd([](ZipEnd& e) { e.recordsOnDisk = 4; e.totalRecords = 4; }),
       invalidArchive},
      {"central signature wrong", withEntry([](ZipEntry& m) { m.centralSignature = 0x02014b51; }),
       invalidArchive},
      // Member rules.
      {"name not UTF-8", withNames({top + "bad\xFF"}), unsafeArchive},
      {"parent traversal", withNames({top + "../evil"}), unsafeArchive},
      {"absolute name", withNames({"/etc/evil"}), unsafeArchive},
      {"backslash", withNames({top + "..\\..\\evil"}), unsafeArchive},
      {"drive-like name", withNames({"C:/evil"}), unsafeArchive},
      {"outside the application", withNames({top, "Other.app/x"}), unsafeArchive},
      {"top directory in other case", withNames({"brelva tavro.app/x"}), unsafeArchive},
      {"encrypted", withEntry([](ZipEntry& m) { m.flags |= 0x0001; }), unsafeArchive},
      {"strong encryption flag", withEntry([](ZipEntry& m) { m.flags |= 0x0040; }), unsafeArchive},
      {"central extra field (Unix timestamp)",
       withEntry([](ZipEntry& m) { m.extra = std::string("UT\x05\x00\x03\x00\x00\x00\x00", 9); }),
       unsafeArchive},
      {"ZIP64 sizes", withEntry([](ZipEntry& m) { m.compressedSize = m.expandedSize = 0xFFFFFFFF; }),
       unsafeArchive},
      {"stored size over 64 MiB", withEntry([](ZipEntry& m) { m.compressedSize = 67108865; }), unsafeArchive},
      {"expanded size over 64 MiB", withEntry([](ZipEntry& m) { m.expandedSize = 67108865; }), unsafeArchive},
      {"method bzip2", withEntry([](ZipEntry& m) { m.method = 12; }), unsafeArchive},
      {"symbolic link", withEntry([](ZipEntry& m) { m.externalAttributes = unixMode(0120755); }), unsafeArchive},
      {"fifo", withEntry([](ZipEntry& m) { m.externalAttributes = unixMode(0010644); }), unsafeArchive},
      {"disk start 1", withEntry([](ZipEntry& m) { m.diskStart = 1; }), unsafeArchive},
      {"local header past the directory", withEntry([](ZipEntry& m) { m.localHeaderOffset = 0x7FFFFFFF; }),
       unsafeArchive},
      {"local header offset into member data", withEntry([](ZipEntry& m) { m.localHeaderOffset = 120; }),
       unsafeArchive},
      {"names differing in case", withNames({top + "Contents/Info.plist", top + "Contents/info.plist"}),
       unsafeArchive},
      {"names differing in normalisation", withNames({nfcName, nfdName}), unsafeArchive},
      {"directory and file of one name", withNames({top + "Contents/", top + "Contents"}), unsafeArchive},
      {"same name twice", withNames({top + "a", top + "a"}), unsafeArchive},
      {"local signature wrong", withEntry([](ZipEntry& m) { m.localSignature = 0x04034b51; }), unsafeArchive},
      {"local flags differ", withEntry([](ZipEntry& m) { m.localFlags = 0; }), unsafeArchive},
      {"local method differs", withEntry([](ZipEntry& m) { m.localMethod = 0; }), unsafeArchive},
      {"local extra field", withEntry([](ZipEntry& m) { m.localExtra = std::string("UT\x01\x00\x00", 5); }),
       unsafeArchive},
      {"local name of another length", withEntry([](ZipEntry& m) { m.localName = top + "Contents/Info.plis"; }),
       unsafeArchive},
      {"local name differs", withEntry([](ZipEntry& m) { m.localName = top + "Contents/Info.plisT"; }),
       unsafeArchive},
      {"stored size reaches into the directory", withEntry([](ZipEntry& m) { m.compressedSize += 200; }),
       unsafeArchive},
      {"regular file named like a directory",
       withEntry([](ZipEntry& m) { m.name = top + "Contents/"; m.localName.reset(); }), unsafeArchive},
      {"directory type without a trailing slash",
       withEntry([](ZipEntry& m) { m.externalAttributes = unixMode(040755); }), unsafeArchive},
  };
  ASSERT_EQ(outcomeOfMembers(ZipWriter::archive(sampleEntries())), "success");
  for (const auto& row : cases) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(outcomeOfMembers(row.archive()), row.expected);
  }
}

TEST(ZIPInspection, RefusesArchivesOutsideTheFileSizeLimits) {
  TemporaryDirectory directory;
  const auto path = directory / "update.zip";
  // A valid archive behind a sparse prefix, one byte over the limit.
  const std::string archive = ZipWriter::archive(sampleEntries());
  writeFile(path, archive);
  fs::resize_file(path, ZIPInspection::maximumArchiveSize + 1);
  EXPECT_EQ(outcomeOf([&] { ZIPInspection::members(path); }), invalidArchive);
  EXPECT_EQ(outcomeOf([&] { ZIPInspection::members(directory / "missing.zip"); }), "system_error");
}

TEST(ZIPInspection, RefusesWhatIsNotARegularFileWithoutWaiting) {
  TemporaryDirectory directory;
  const fs::path fifo = directory / "update.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(directory / "folder.zip");
  for (const fs::path& path : {fifo, fs::path("/dev/zero"), directory / "folder.zip"}) {
    SCOPED_TRACE(path.string());
    std::string outcome;
    EXPECT_TRUE(returnsWithoutWaitingOnFifo(fifo, [&] { outcome = outcomeOf([&] { ZIPInspection::members(path); }); }));
    EXPECT_EQ(outcome, invalidArchive);
  }
}

TEST(ZIPInspection, FindsTheEndRecordOnlyWhereItsCommentReachesTheEndOfTheFile) {
  // A signature inside the comment that does not meet the length rule is
  // passed over.
  std::string comment = "before ";
  appendLittleEndian(comment, 0x06054b50, 4);
  comment += std::string(30, 'x');
  EXPECT_EQ(outcomeOfMembers(ZipWriter::archive(sampleEntries(), ZipEnd::withComment(comment))), "success");

  // The longest comment there can be.
  EXPECT_EQ(outcomeOfMembers(ZipWriter::archive(sampleEntries(), ZipEnd::withComment(std::string(65535, 'c')))),
            "success");

  // An end record hidden at the end of the comment is the one found; it does
  // not describe this archive, so the archive is refused.
  std::string hidden;
  appendLittleEndian(hidden, 0x06054b50, 4);
  appendLittleEndian(hidden, 0, 4);
  appendLittleEndian(hidden, 1, 2);
  appendLittleEndian(hidden, 1, 2);
  appendLittleEndian(hidden, 46, 4);
  appendLittleEndian(hidden, 0, 4);
  appendLittleEndian(hidden, 0, 2);
  EXPECT_EQ(outcomeOfMembers(ZipWriter::archive(sampleEntries(), ZipEnd::withComment(hidden))), invalidArchive);
}

TEST(ZIPInspection, AcceptsUpTo9999Members) {
  auto archiveOf = [](int count) {
    ZipWriter writer;
    writer.add(ZipEntry::directory(top));
    for (int i = 1; i < count; ++i) writer.add(ZipEntry::file(top + std::to_string(i), "", 0));
    return writer.finish();
  };
  EXPECT_EQ(outcomeOfMembers(archiveOf(9999)), "success");
  EXPECT_EQ(outcomeOfMembers(archiveOf(10000)), invalidArchive);
}

TEST(ZIPInspection, RefusesMembersWhoseExpandedSizesTogetherExceed512MiB) {
  // Eight members of 64 MiB reach the limit exactly; one more byte is over.
  // Sizes are not checked against the data here, so each member declares
  // its size over a single stored byte.
  auto archiveOf = [](bool oneMoreByte) {
    std::vector<ZipEntry> entries;
    for (int i = 0; i < 8; ++i) {
      entries.push_back(ZipEntry::file(top + "part" + std::to_string(i), "x", 0));
      entries.back().expandedSize = 67108864;
    }
    if (oneMoreByte) entries.push_back(ZipEntry::file(top + "extra", "x", 0));
    return ZipWriter::archive(entries);
  };
  EXPECT_EQ(outcomeOfMembers(archiveOf(false)), "success");
  EXPECT_EQ(outcomeOfMembers(archiveOf(true)), unsafeArchive);
}

TEST(ZIPInspection, ReadsNoMemberData) {
  // The stored bytes of every member are garbage and the local headers'
  // CRC and size fields are zero: inspection still accepts the archive,
  // because only the central directory and the local headers are read.
  auto entries = sampleEntries();
  for (auto& entry : entries) {
    if (!entry.stored.empty()) entry.stored = std::string(entry.stored.size(), '\xEE');
    entry.dataDescriptor = true;
  }
  EXPECT_EQ(outcomeOfMembers(ZipWriter::archive(entries)), "success");
}

}  // namespace
}  // namespace tavro
