// Fuzzes the code-signature check of a bundle: the seal (CodeResources) and
// the detached CMS signature come from the input. The first byte chooses
// what the rest is:
//   even: a seal, which this target signs with its own key, so the seal's
//         reading (names, digests, the walk against the files) is reached;
//   odd:  the signature's DER bytes, over a fixed seal.
// Nothing may crash, hang or leak; every outcome is a certificate or none,
// and verification either passes or throws SignatureError.
#include "Platform/CodeSignature.h"

#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

fs::path& root() {
  static fs::path directory;
  return directory;
}

struct Fixture {
  fs::path bundle;
  EVP_PKEY* key = nullptr;
  X509* certificate = nullptr;

  Fixture() {
    std::string pattern = (fs::temp_directory_path() / "tavro-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root() = pattern;
    // The fuzzer ends through exit(); the work directory goes with it.
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(root(), ignored);
    });
    bundle = fs::path(pattern) / "BRELVA Tavro.app";
    fs::create_directories(bundle / "Contents/_CodeSignature");
    fs::create_directories(bundle / "Contents/MacOS");
    write(bundle / "Contents/Info.plist", "plist");
    write(bundle / "Contents/MacOS/Tavro", "program");
    key = EVP_EC_gen("P-256");
    certificate = X509_new();
    X509_set_version(certificate, 2);
    X509_gmtime_adj(X509_getm_notBefore(certificate), 0);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 3600);
    X509_set_pubkey(certificate, key);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(certificate), "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("fuzz"), -1, -1, 0);
    X509_set_issuer_name(certificate, X509_get_subject_name(certificate));
    X509_sign(certificate, key, EVP_sha256());
  }

  static void write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }

  std::string sign(const std::string& content) const {
    BIO* data = BIO_new_mem_buf(content.data(), static_cast<int>(content.size()));
    CMS_ContentInfo* cms = CMS_sign(certificate, key, nullptr, data, CMS_DETACHED | CMS_BINARY);
    BIO* out = BIO_new(BIO_s_mem());
    std::string der;
    if (cms != nullptr && i2d_CMS_bio(out, cms) == 1) {
      char* bytes = nullptr;
      long size = BIO_get_mem_data(out, &bytes);
      der.assign(bytes, static_cast<std::size_t>(size));
    }
    CMS_ContentInfo_free(cms);
    BIO_free(out);
    BIO_free(data);
    return der;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture fixture;
  if (size == 0) return 0;
  std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string seal;
  std::string signature;
  if (data[0] % 2 == 0) {
    seal = rest;
    signature = fixture.sign(seal);
  } else {
    seal = "{\"files\":{}}";
    signature = rest;
  }
  Fixture::write(fixture.bundle / tavro::platform::codeSignature::resourcesPath, seal);
  Fixture::write(fixture.bundle / tavro::platform::codeSignature::signaturePath, signature);
  (void)tavro::platform::codeSignature::certificate(fixture.bundle);
  try {
    tavro::platform::codeSignature::verify(fixture.bundle);
  } catch (const tavro::platform::codeSignature::SignatureError&) {
  }
  return 0;
}
