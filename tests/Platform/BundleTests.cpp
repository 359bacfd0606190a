#include "Platform/Bundle.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace tavro::platform {
namespace {

using testing::TemporaryDirectory;

// Writes `plist` (a Python literal) as Info.plist of a bundle at `bundle`,
// in XML or binary form, with Python's plistlib as an independent writer.
void writeInfoPlist(const std::filesystem::path& bundle, const std::string& plist, bool binary) {
  std::filesystem::create_directories(bundle / "Contents");
  std::string script =
      "import plistlib, sys, datetime\n"
      "value = " +
      plist +
      "\n"
      "with open(sys.argv[1], 'wb') as f:\n"
      "    plistlib.dump(value, f, fmt=plistlib." +
      (binary ? "FMT_BINARY" : "FMT_XML") + ")\n";
  auto result = testing::runProcess("/usr/bin/python3",
                                    {"-c", script, (bundle / "Contents/Info.plist").string()});
  ASSERT_EQ(result.exitStatus, 0) << result.standardError;
}

// A binary property list: a dictionary {"k": [[[...]]]} with `levels`
// arrays nested in a chain, written byte by byte (3-byte references and offsets).
std::string deeplyNestedBinaryPlist(std::size_t levels) {
  std::string objects;
  std::vector<std::size_t> offsets;
  auto putUInt = [](std::string& out, std::uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xff);
  };
  const std::string header = "bplist00";
  offsets.push_back(header.size() + objects.size());
  objects += '\xD1';  // dictionary of one entry: key 1, value 2
  putUInt(objects, 1, 3);
  putUInt(objects, 2, 3);
  offsets.push_back(header.size() + objects.size());
  objects += "\x51k";  // ASCII string "k"
  for (std::size_t i = 0; i < levels; ++i) {
    offsets.push_back(header.size() + objects.size());
    if (i + 1 < levels) {
      objects += '\xA1';  // array of one element: the next object
      putUInt(objects, offsets.size(), 3);
    } else {
      objects += '\xA0';  // empty array
    }
  }
  std::string data = header + objects;
  std::size_t tableOffset = data.size();
  for (std::size_t offset : offsets) putUInt(data, offset, 3);
  data += std::string(6, '\0');
  data += '\x03';  // offset size
  data += '\x03';  // reference size
  putUInt(data, offsets.size(), 8);
  putUInt(data, 0, 8);
  putUInt(data, tableOffset, 8);
  return data;
}

// The binary property list {"k": [x]} where x is object `element` (1 is the
// text "k", 2 is the array itself).
std::string dictionaryWithArrayReferring(char element) {
  std::string data = std::string("bplist00") + std::string("\xD1\x01\x02\x51k\xA1", 6) + element;
  data += std::string("\x08\x0B\x0D", 3) + std::string(6, '\0') + "\x01\x01";
  for (std::uint64_t value : {3, 0, 15}) {
    for (int i = 7; i >= 0; --i) data += static_cast<char>((value >> (8 * i)) & 0xff);
  }
  return data;
}

// The binary property list {"k": A1} where each array A(i) holds A(i+1)
// `width` times and the last one is empty: a few bytes that name
// width^levels arrays once every reference is followed.
std::string sharedChainBinaryPlist(int levels, int width = 2) {
  std::string objects = std::string("\xD1\x01\x02", 3) + "\x51k";
  for (int i = 0; i < levels; ++i) {
    if (i + 1 < levels) {
      objects += static_cast<char>(0xA0 | width);
      objects += std::string(static_cast<std::size_t>(width), static_cast<char>(3 + i));
    } else {
      objects += '\xA0';
    }
  }
  std::string data = "bplist00";
  std::vector<std::size_t> offsets = {8, 11};
  std::size_t at = 13;
  for (int i = 0; i < levels; ++i) {
    offsets.push_back(at);
    at += i + 1 < levels ? 1 + static_cast<std::size_t>(width) : 1;
  }
  data += objects;
  const std::size_t tableOffset = data.size();
  for (std::size_t offset : offsets) data += static_cast<char>(offset);
  data += std::string(6, '\0') + "\x01\x01";
  for (std::uint64_t value : {static_cast<std::uint64_t>(offsets.size()), std::uint64_t{0},
                              static_cast<std::uint64_t>(tableOffset)}) {
    for (int i = 7; i >= 0; --i) data += static_cast<char>((value >> (8 * i)) & 0xff);
  }
  return data;
}

// `plist` (a Python literal) as binary property list bytes, written by plistlib.
std::string binaryPlistFromPython(const std::string& plist) {
  testing::TemporaryDirectory directory;
  writeInfoPlist(directory / "App.app", plist, true);
  return testing::readFile(directory / "App.app/Contents/Info.plist");
}

TEST(Bundle, ReadsEveryTypeInBothForms) {
  const std::string plist =
      "{'CFBundleIdentifier': 'com.brelva.tavro', 'CFBundleVersion': 18, 'Flag': True,"
      " 'Ratio': 1.5, 'Blob': b'\\x00\\x01', 'Negative': -5,"
      " 'When': datetime.datetime(2001, 1, 2, 0, 0, 0),"
      " 'List': ['a', 2], 'Nested': {'Inner': 'x'}, 'Empty': ''}";
  for (bool binary : {false, true}) {
    SCOPED_TRACE(binary ? "binary" : "XML");
    TemporaryDirectory directory;
    writeInfoPlist(directory / "App.app", plist, binary);
    PlistDictionary info = infoDictionary(directory / "App.app");

    ASSERT_EQ(info.size(), 10u);
    ASSERT_NE(info.at("CFBundleIdentifier").string(), nullptr);
    EXPECT_EQ(*info.at("CFBundleIdentifier").string(), "com.brelva.tavro");
    // A number stays a number: it is not the text "18".
    EXPECT_EQ(info.at("CFBundleVersion").string(), nullptr);
    EXPECT_EQ(info.at("CFBundleVersion").integer(), 18);
    EXPECT_EQ(info.at("Flag").boolean(), true);
    EXPECT_EQ(info.at("Flag").integer(), std::nullopt);
    EXPECT_EQ(info.at("Ratio").real(), 1.5);
    EXPECT_EQ(info.at("Blob"), PlistValue(PlistValue::Data{0, 1}));
    EXPECT_EQ(info.at("Negative").integer(), -5);
    EXPECT_EQ(info.at("When").date(), Date{86400});
    EXPECT_EQ(info.at("List"), PlistValue(PlistArray{"a", 2}));
    EXPECT_EQ(info.at("Nested"), PlistValue(PlistDictionary{{"Inner", "x"}}));
    EXPECT_EQ(info.at("Empty"), PlistValue(""));
    EXPECT_EQ(info.at("Empty").kind(), PlistValue::Kind::string);
  }
}

TEST(Bundle, RefusesWhatIsNotADictionaryPropertyList) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"text", "CFBundleIdentifier = com.brelva.tavro"},
      {"truncated binary", std::string("bplist00\xD1\x01\x02", 11)},
      {"truncated XML", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>"},
      {"array that holds itself", dictionaryWithArrayReferring(2)},
      {"array at the top", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>"},
      {"string at the top",
       "<?xml version=\"1.0\"?><plist version=\"1.0\"><string>a</string></plist>"},
      {"over the size bound",
       "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><string>" +
           std::string(maximumInfoPlistBytes, 'a') + "</string></dict></plist>"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_THROW(parsePropertyList(row.bytes), PropertyListError);
  }
  // The same bytes without the cycle are read.
  EXPECT_EQ(parsePropertyList(dictionaryWithArrayReferring(1)),
            (PlistDictionary{{"k", PlistValue(PlistArray{"k"})}}));
}

TEST(Bundle, SharedContainersAreCountedAsOftenAsTheyAreReferred) {
  // 2^21 arrays from 129 bytes: refused before the reader expands them.
  const std::string hostile = sharedChainBinaryPlist(21);
  ASSERT_LT(hostile.size(), 140u);
  try {
    parsePropertyList(hostile);
    FAIL() << "a list naming two million arrays was accepted";
  } catch (const PropertyListError& error) {
    EXPECT_STREQ(error.what(), "The property list expands too far.");
  }
  // Sharing within the bounds is read, every reference as its own value.
  PlistDictionary small = parsePropertyList(sharedChainBinaryPlist(4));
  const PlistArray* top = small.at("k").array();
  ASSERT_NE(top, nullptr);
  ASSERT_EQ(top->size(), 2u);
  EXPECT_EQ((*top)[0], (*top)[1]);
  // Text shared by many references counts with all its bytes.
  const std::string text = "'" + std::string(60000, 'x') + "'";
  EXPECT_THROW(parsePropertyList(binaryPlistFromPython("{'k': [" + text + "] * 100}")), PropertyListError);
  EXPECT_NO_THROW(parsePropertyList(binaryPlistFromPython("{'k': [" + text + "] * 50}")));
}

TEST(Bundle, RefusesMalformedBinaryStructureAndTextWithoutAborting) {
  struct Case {
    const char* name;
    std::string plist;  // Python literal, written in binary form
  };
  // U+0000 in a key made the reader abort the process; in a value it cut
  // the text short.
  const Case texts[] = {
      {"U+0000 in a non-ASCII key", "{'\\u00e9\\x00': 1}"},
      {"U+0000 in an ASCII key", "{'a\\x00': 1}"},
      {"U+0000 in a value", "{'a': '\\u00e9\\x00x'}"},
  };
  for (const Case& row : texts) {
    SCOPED_TRACE(row.name);
    EXPECT_THROW(parsePropertyList(binaryPlistFromPython(row.plist)), PropertyListError);
  }

  const std::string good = binaryPlistFromPython("{'CFBundleIdentifier': 'com.brelva.tavro', 'List': [1, 'b']}");
  ASSERT_NO_THROW(parsePropertyList(good));
  auto changed = [&](std::size_t fromEnd, char value) {
    std::string bytes = good;
    bytes[bytes.size() - fromEnd] = value;
    return bytes;
  };
  const std::size_t tableOffset = static_cast<unsigned char>(good.back());
  std::string unpaired = binaryPlistFromPython("{'a': '\\u00e9\\u00e9'}");
  unpaired.replace(unpaired.find(std::string("\0\xE9\0\xE9", 4)), 2, "\xD8\x00", 2);
  struct Bytes {
    const char* name;
    std::string bytes;
  };
  const Bytes structures[] = {
      {"offset size 0", changed(26, 0)},
      {"reference size 9", changed(25, 9)},
      {"root beyond the objects", changed(9, 100)},
      {"no objects", changed(17, 0)},
      {"offset table inside the trailer", changed(1, static_cast<char>(good.size() - 10))},
      {"first offset beyond the objects",
       [&] {
         std::string bytes = good;
         bytes[tableOffset] = static_cast<char>(tableOffset);
         return bytes;
       }()},
      {"unpaired surrogate", unpaired},
      {"header only", good.substr(0, 8)},
  };
  for (const Bytes& row : structures) {
    SCOPED_TRACE(row.name);
    EXPECT_THROW(parsePropertyList(row.bytes), PropertyListError);
  }
}

TEST(Bundle, BoundsNesting) {
  auto nested = [](int levels) {
    std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k</key>";
    for (int i = 1; i < levels; ++i) xml += "<array>";
    for (int i = 1; i < levels; ++i) xml += "</array>";
    return xml + "</dict></plist>";
  };
  EXPECT_NO_THROW(parsePropertyList(nested(maximumPlistDepth)));
  EXPECT_THROW(parsePropertyList(nested(maximumPlistDepth + 1)), PropertyListError);

  // Far deeper than any stack of ordinary size allows for a recursive parser,
  // yet within the size bound: refused, not a crash.
  std::string deep = deeplyNestedBinaryPlist(37000);
  ASSERT_LE(deep.size(), static_cast<std::size_t>(maximumInfoPlistBytes));
  try {
    parsePropertyList(deep);
    FAIL() << "a chain of 37000 arrays was accepted";
  } catch (const PropertyListError& error) {
    EXPECT_STREQ(error.what(), "The property list is nested too deeply.");
  }
  // The same writer at a shallow depth gives a readable list, so the refusal is the depth.
  EXPECT_NO_THROW(parsePropertyList(deeplyNestedBinaryPlist(3)));
}

TEST(Bundle, ReportsFileProblems) {
  TemporaryDirectory directory;
  try {
    infoDictionary(directory / "Missing.app");
    FAIL() << "no failure for a missing Info.plist";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().value(), ENOENT);
  }

  std::filesystem::create_directories(directory / "Folder.app/Contents/Info.plist");
  EXPECT_THROW(infoDictionary(directory / "Folder.app"), PropertyListError);

  std::filesystem::create_directories(directory / "Big.app/Contents");
  testing::writeFile(directory / "Big.app/Contents/Info.plist",
                     std::string(maximumInfoPlistBytes + 1, ' '));
  EXPECT_THROW(infoDictionary(directory / "Big.app"), PropertyListError);
}

}  // namespace
}  // namespace tavro::platform
