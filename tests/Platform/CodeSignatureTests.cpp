#include "Platform/CodeSignature.h"

#include "common/TestSupport.h"
#include "installation/BundleFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

namespace tavro::platform {
namespace {

namespace fs = std::filesystem;
using testing::BundleSpec;
using testing::readFile;
using testing::SigningIdentity;
using testing::TemporaryDirectory;
using testing::writeFile;

class CodeSignature : public ::testing::Test {
 protected:
  CodeSignature()
      : identity(SigningIdentity::create(directory.path(), "maker")),
        bundle(directory / "BRELVA Tavro.app") {
    testing::writeSignedBundle(bundle, BundleSpec(), identity);
  }

  TemporaryDirectory directory;
  SigningIdentity identity;
  fs::path bundle;
};

TEST_F(CodeSignature, SignedBundleVerifiesAndNamesItsSigner) {
  EXPECT_NO_THROW(codeSignature::verify(bundle));
  EXPECT_EQ(codeSignature::certificate(bundle), identity.certificateSHA256);
  // Through a link to the bundle as well: only links inside are refused.
  fs::create_directory_symlink(bundle, directory / "link.app");
  EXPECT_NO_THROW(codeSignature::verify(directory / "link.app"));
}

TEST_F(CodeSignature, AnotherSignerGivesAnotherCertificate) {
  SigningIdentity other = SigningIdentity::create(directory.path(), "other");
  codeSignature::sign(bundle, other.privateKey, other.certificate);
  EXPECT_NO_THROW(codeSignature::verify(bundle));
  EXPECT_EQ(codeSignature::certificate(bundle), other.certificateSHA256);
  EXPECT_NE(other.certificateSHA256, identity.certificateSHA256);
}

TEST_F(CodeSignature, EveryChangeAfterSigningIsRefused) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> change;
    bool certificateStillReadable;
  };
  const Case cases[] = {
      {"one byte of a file changed",
       [](const fs::path& b) {
         std::string text = readFile(b / "Contents/Resources/Prompts.json");
         text[2] ^= 1;
         writeFile(b / "Contents/Resources/Prompts.json", text);
       },
       true},
      {"unsealed file added", [](const fs::path& b) { writeFile(b / "Contents/Resources/extra", "x"); }, true},
      {"unsealed file beside the signature",
       [](const fs::path& b) { writeFile(b / "Contents/_CodeSignature/notes", "x"); }, true},
      {"sealed file removed", [](const fs::path& b) { fs::remove(b / "Contents/Resources/Prompts.json"); }, true},
      {"symbolic link added",
       [](const fs::path& b) { fs::create_symlink("Prompts.json", b / "Contents/Resources/alias"); }, true},
      {"sealed file replaced by a link",
       [](const fs::path& b) {
         fs::rename(b / "Contents/Info.plist", b / "Contents/Info.real");
         fs::create_symlink("Info.real", b / "Contents/Info.plist");
       },
       true},
      {"fifo added", [](const fs::path& b) { ::mkfifo((b / "Contents/pipe").c_str(), 0600); }, true},
      {"execute permission added",
       [](const fs::path& b) { fs::permissions(b / "Contents/Resources/Prompts.json", fs::perms(0744)); }, true},
      {"execute permission removed",
       [](const fs::path& b) { fs::permissions(b / "Contents/MacOS/Tavro", fs::perms(0644)); }, true},
      {"empty folder added", [](const fs::path& b) { fs::create_directory(b / "Contents/Plugins"); }, true},
      {"file writable by group", [](const fs::path& b) { fs::permissions(b / "Contents/Info.plist", fs::perms(0664)); },
       true},
      {"executable writable by anyone",
       [](const fs::path& b) { fs::permissions(b / "Contents/MacOS/Tavro", fs::perms(0777)); }, true},
      {"folder writable by others", [](const fs::path& b) { fs::permissions(b / "Contents/MacOS", fs::perms(0757)); },
       true},
      {"bundle folder writable by group", [](const fs::path& b) { fs::permissions(b, fs::perms(0775)); }, true},
      {"signature writable by others",
       [](const fs::path& b) { fs::permissions(b / codeSignature::signaturePath, fs::perms(0646)); }, true},
      {"seal edited",
       [](const fs::path& b) {
         std::string seal = readFile(b / codeSignature::resourcesPath);
         seal.insert(seal.find('{') + 1, " ");
         writeFile(b / codeSignature::resourcesPath, seal);
       },
       false},
      {"signature truncated",
       [](const fs::path& b) {
         std::string signature = readFile(b / codeSignature::signaturePath);
         writeFile(b / codeSignature::signaturePath, signature.substr(0, signature.size() / 2));
       },
       false},
      {"signature removed", [](const fs::path& b) { fs::remove(b / codeSignature::signaturePath); }, false},
      {"signature is a link",
       [](const fs::path& b) {
         fs::rename(b / codeSignature::signaturePath, b / "Contents/sig");
         fs::create_symlink("../sig", b / codeSignature::signaturePath);
       },
       false},
      {"seal and signature from another bundle",
       [](const fs::path& b) {
         // A valid signature by the same signer over a different seal.
         fs::path other = b.parent_path() / "Other.app";
         fs::copy(b, other, fs::copy_options::recursive);
         writeFile(other / "Contents/Resources/extra", "x");
         codeSignature::sign(other, b.parent_path() / "maker.key.pem", b.parent_path() / "maker.cert.pem");
         fs::copy_file(other / codeSignature::signaturePath, b / codeSignature::signaturePath,
                       fs::copy_options::overwrite_existing);
       },
       false},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    fs::remove_all(bundle);
    fs::remove_all(directory / "Other.app");
    testing::writeSignedBundle(bundle, BundleSpec(), identity);
    row.change(bundle);
    EXPECT_THROW(codeSignature::verify(bundle), codeSignature::SignatureError);
    EXPECT_EQ(codeSignature::certificate(bundle).has_value(), row.certificateStillReadable);
  }
}

TEST_F(CodeSignature, SignedSealsWithUnsafeNamesOrBadFormAreRefused) {
  // Seals correctly signed by the maker, so only their content is at fault.
  writeFile(directory / "outside", "x");
  const std::string digestOfX = "2d711642b726b04401627ca9fbac32f5c8530fb1903cc4db02258717921a4881";
  const std::string tail = "\"Contents/Info.plist\":\"" + std::string(64, '0') + "\"}}";
  const char* seals[] = {
      "{\"files\":{\"../outside\":\"DIGEST\",",
      "{\"files\":{\"/etc/hostname\":\"DIGEST\",",
      "{\"files\":{\"Contents/./x\":\"DIGEST\",",
      "{\"files\":{\"Contents/x\":\"NOT-HEX\",",
      "{\"sealed\":{\"Contents/x\":\"DIGEST\",",
  };
  for (const char* form : seals) {
    SCOPED_TRACE(form);
    std::string seal = form;
    if (std::size_t at = seal.find("DIGEST"); at != std::string::npos) seal.replace(at, 6, digestOfX);
    seal += tail;
    writeFile(bundle / codeSignature::resourcesPath, seal);
    writeFile(bundle / codeSignature::signaturePath, testing::detachedSignature(seal, identity));
    ASSERT_EQ(codeSignature::certificate(bundle), identity.certificateSHA256);  // the signature itself holds
    EXPECT_THROW(codeSignature::verify(bundle), codeSignature::SignatureError);
  }
}

TEST_F(CodeSignature, SealRecordsEveryFolderAndTheExecutables) {
  fs::create_directory(bundle / "Contents/PlugIns");
  codeSignature::sign(bundle, identity.privateKey, identity.certificate);
  const std::string seal = readFile(bundle / codeSignature::resourcesPath);
  EXPECT_NE(seal.find("\"executables\":[\"Contents/MacOS/Tavro\"]"), std::string::npos) << seal;
  EXPECT_NE(seal.find("\"Contents/PlugIns\""), std::string::npos) << seal;
  EXPECT_NE(seal.find("\"Contents/_CodeSignature\""), std::string::npos) << seal;
  EXPECT_NO_THROW(codeSignature::verify(bundle));
  // An empty sealed folder that goes missing is noticed too.
  fs::remove(bundle / "Contents/PlugIns");
  EXPECT_THROW(codeSignature::verify(bundle), codeSignature::SignatureError);
}

TEST_F(CodeSignature, SealsWithoutFoldersAndExecutablesMustBeSignedAgain) {
  // The form signed before folders and executables were sealed: a valid
  // signature over a seal that lists only the files.
  std::string seal = readFile(bundle / codeSignature::resourcesPath);
  seal = seal.substr(0, seal.find(",\"executables\"")) + "}\n";
  writeFile(bundle / codeSignature::resourcesPath, seal);
  writeFile(bundle / codeSignature::signaturePath, testing::detachedSignature(seal, identity));
  EXPECT_EQ(codeSignature::certificate(bundle), identity.certificateSHA256);
  try {
    codeSignature::verify(bundle);
    FAIL() << "a seal without folders was accepted";
  } catch (const codeSignature::SignatureError& error) {
    EXPECT_NE(std::string(error.what()).find("signed again"), std::string::npos) << error.what();
  }
  codeSignature::sign(bundle, identity.privateKey, identity.certificate);
  EXPECT_NO_THROW(codeSignature::verify(bundle));
}

TEST_F(CodeSignature, OnlySHA256OrStrongerDigestsAreAccepted) {
  const std::string seal = readFile(bundle / codeSignature::resourcesPath);
  struct Case {
    const char* digest;
    bool accepted;
  };
  for (const Case& row : {Case{"SHA1", false}, Case{"SHA224", false}, Case{"SHA256", true}, Case{"SHA384", true},
                          Case{"SHA512", true}}) {
    SCOPED_TRACE(row.digest);
    writeFile(bundle / codeSignature::signaturePath, testing::detachedSignature(seal, identity, row.digest));
    EXPECT_EQ(codeSignature::certificate(bundle).has_value(), row.accepted);
    if (row.accepted) {
      EXPECT_NO_THROW(codeSignature::verify(bundle));
    } else {
      EXPECT_THROW(codeSignature::verify(bundle), codeSignature::SignatureError);
    }
  }
}

TEST_F(CodeSignature, SignatureFilesThatAreFifosAreRefusedWithoutWaiting) {
  for (const char* file : {codeSignature::signaturePath, codeSignature::resourcesPath}) {
    SCOPED_TRACE(file);
    testing::writeSignedBundle(bundle, BundleSpec(), identity);
    fs::remove(bundle / file);
    ASSERT_EQ(::mkfifo((bundle / file).c_str(), 0600), 0);
    std::optional<std::string> signer = "unset";
    EXPECT_TRUE(testing::returnsWithoutWaitingOnFifo(bundle / file, [&] { signer = codeSignature::certificate(bundle); }));
    EXPECT_EQ(signer, std::nullopt);
    EXPECT_TRUE(testing::returnsWithoutWaitingOnFifo(bundle / file, [&] {
      EXPECT_THROW(codeSignature::verify(bundle), codeSignature::SignatureError);
    }));
    fs::remove(bundle / file);
  }
}

TEST_F(CodeSignature, UnsignedBundleHasNoCertificate) {
  fs::remove_all(bundle / "Contents/_CodeSignature");
  EXPECT_EQ(codeSignature::certificate(bundle), std::nullopt);
  EXPECT_THROW(codeSignature::verify(bundle), codeSignature::SignatureError);
  EXPECT_EQ(codeSignature::certificate(directory / "missing.app"), std::nullopt);
}

TEST_F(CodeSignature, SigningRefusesAMismatchedKeyAndWhatCouldNeverVerify) {
  SigningIdentity other = SigningIdentity::create(directory.path(), "other");
  EXPECT_THROW(codeSignature::sign(bundle, other.privateKey, identity.certificate), codeSignature::SignatureError);
  fs::permissions(bundle / "Contents/Info.plist", fs::perms(0666));
  EXPECT_THROW(codeSignature::sign(bundle, identity.privateKey, identity.certificate), codeSignature::SignatureError);
  fs::permissions(bundle / "Contents/Info.plist", fs::perms(0644));
  fs::create_symlink("Info.plist", bundle / "Contents/alias");
  EXPECT_THROW(codeSignature::sign(bundle, identity.privateKey, identity.certificate), codeSignature::SignatureError);
}

}  // namespace
}  // namespace tavro::platform
