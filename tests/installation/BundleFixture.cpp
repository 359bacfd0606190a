#include "installation/BundleFixture.h"

#include "Platform/CodeSignature.h"
#include "Support/Sha256.h"
#include "common/TestSupport.h"

#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>

namespace tavro::testing {
namespace {

void appendLittle32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xff));
}
void appendBig32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xff));
}

std::string thinMachO(std::uint32_t type, std::uint32_t subtype) {
  std::string header;
  appendLittle32(header, 0xfeedfacf);
  appendLittle32(header, type);
  appendLittle32(header, subtype);
  appendLittle32(header, 2);  // MH_EXECUTE
  for (int field = 0; field < 4; ++field) appendLittle32(header, 0);
  return header;
}

std::string escapeXML(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out.push_back(c);
  }
  return out;
}

}  // namespace

SigningIdentity SigningIdentity::create(const std::filesystem::path& directory, std::string_view name) {
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
  std::unique_ptr<X509, decltype(&X509_free)> certificate(X509_new(), X509_free);
  if (!key || !certificate) throw std::runtime_error("cannot make a signing identity");
  X509_set_version(certificate.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(certificate.get()), 0);
  X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 60L * 60 * 24 * 365);
  X509_set_pubkey(certificate.get(), key.get());
  X509_NAME* subject = X509_get_subject_name(certificate.get());
  std::string commonName(name);
  X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(commonName.c_str()),
                             -1, -1, 0);
  X509_set_issuer_name(certificate.get(), subject);
  if (X509_sign(certificate.get(), key.get(), EVP_sha256()) == 0) throw std::runtime_error("cannot sign a certificate");

  SigningIdentity identity;
  identity.privateKey = directory / (commonName + ".key.pem");
  identity.certificate = directory / (commonName + ".cert.pem");
  std::unique_ptr<BIO, decltype(&BIO_free)> keyOut(BIO_new_file(identity.privateKey.c_str(), "w"), BIO_free);
  std::unique_ptr<BIO, decltype(&BIO_free)> certificateOut(BIO_new_file(identity.certificate.c_str(), "w"), BIO_free);
  if (!keyOut || !certificateOut ||
      PEM_write_bio_PrivateKey(keyOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
      PEM_write_bio_X509(certificateOut.get(), certificate.get()) != 1) {
    throw std::runtime_error("cannot write a signing identity");
  }
  unsigned char* der = nullptr;
  int length = i2d_X509(certificate.get(), &der);
  identity.certificateSHA256 = sha256::hex(std::string_view(reinterpret_cast<const char*>(der), static_cast<std::size_t>(length)));
  OPENSSL_free(der);
  return identity;
}

std::string detachedSignature(std::string_view content, const SigningIdentity& identity, const char* digest) {
  std::unique_ptr<BIO, decltype(&BIO_free)> keyIn(BIO_new_file(identity.privateKey.c_str(), "r"), BIO_free);
  std::unique_ptr<BIO, decltype(&BIO_free)> certificateIn(BIO_new_file(identity.certificate.c_str(), "r"), BIO_free);
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      PEM_read_bio_PrivateKey(keyIn.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
  std::unique_ptr<X509, decltype(&X509_free)> certificate(PEM_read_bio_X509(certificateIn.get(), nullptr, nullptr, nullptr),
                                                         X509_free);
  std::unique_ptr<BIO, decltype(&BIO_free)> data(BIO_new_mem_buf(content.data(), static_cast<int>(content.size())),
                                                 BIO_free);
  const unsigned flags = CMS_DETACHED | CMS_BINARY;
  std::unique_ptr<CMS_ContentInfo, decltype(&CMS_ContentInfo_free)> cms(
      CMS_sign(nullptr, nullptr, nullptr, nullptr, flags | CMS_PARTIAL), CMS_ContentInfo_free);
  if (!cms || !CMS_add1_signer(cms.get(), certificate.get(), key.get(), EVP_get_digestbyname(digest), flags) ||
      CMS_final(cms.get(), data.get(), nullptr, flags) != 1) {
    throw std::runtime_error("cannot sign");
  }
  std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new(BIO_s_mem()), BIO_free);
  i2d_CMS_bio(out.get(), cms.get());
  char* bytes = nullptr;
  long size = BIO_get_mem_data(out.get(), &bytes);
  return std::string(bytes, static_cast<std::size_t>(size));
}

std::string machOExecutable(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& architectures) {
  if (architectures.size() == 1) return thinMachO(architectures[0].first, architectures[0].second);
  std::string fat;
  appendBig32(fat, 0xcafebabe);
  appendBig32(fat, static_cast<std::uint32_t>(architectures.size()));
  std::uint32_t offset = 4096;
  std::string slices;
  for (const auto& [type, subtype] : architectures) {
    appendBig32(fat, type);
    appendBig32(fat, subtype);
    appendBig32(fat, offset);
    appendBig32(fat, 32);
    appendBig32(fat, 12);
    offset += 4096;
  }
  fat.resize(4096, '\0');
  for (const auto& [type, subtype] : architectures) {
    std::string slice = thinMachO(type, subtype);
    slice.resize(4096, '\0');
    fat += slice;
  }
  return fat;
}

std::string elfHeader(std::uint16_t machine) {
  std::string header(64, '\0');
  header[0] = 0x7f;
  header[1] = 'E';
  header[2] = 'L';
  header[3] = 'F';
  header[4] = 2;  // 64-bit
  header[5] = 1;  // little-endian
  header[6] = 1;
  header[16] = 2;  // ET_EXEC
  header[18] = static_cast<char>(machine & 0xff);
  header[19] = static_cast<char>(machine >> 8);
  return header;
}

BundleSpec& BundleSpec::version(std::string shortVersion, std::string build) {
  info["CFBundleShortVersionString"] = std::move(shortVersion);
  info["CFBundleVersion"] = std::move(build);
  return *this;
}

std::string infoPlist(const std::map<std::string, std::string>& values) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n<dict>\n";
  for (const auto& [key, value] : values) {
    xml += "\t<key>" + escapeXML(key) + "</key>\n\t<string>" + escapeXML(value) + "</string>\n";
  }
  return xml + "</dict>\n</plist>\n";
}

void writeBundle(const std::filesystem::path& bundle, const BundleSpec& layout) {
  std::filesystem::create_directories(bundle / "Contents/MacOS");
  writeFile(bundle / "Contents/Info.plist", infoPlist(layout.info));
  auto name = layout.info.find("CFBundleExecutable");
  std::filesystem::path executable = bundle / "Contents/MacOS" / (name == layout.info.end() ? "Tavro" : name->second);
  writeFile(executable, layout.executable);
  std::filesystem::permissions(executable, std::filesystem::perms(0755));
  for (const auto& [path, contents] : layout.files) {
    std::filesystem::create_directories((bundle / path).parent_path());
    writeFile(bundle / path, contents);
  }
  // Whatever the umask: a signed bundle may hold nothing writable by group or others.
  const auto shared = std::filesystem::perms::group_write | std::filesystem::perms::others_write;
  std::filesystem::permissions(bundle, shared, std::filesystem::perm_options::remove);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(bundle)) {
    std::filesystem::permissions(entry.path(), shared, std::filesystem::perm_options::remove);
  }
}

void writeSignedBundle(const std::filesystem::path& bundle, const BundleSpec& layout, const SigningIdentity& identity) {
  writeBundle(bundle, layout);
  platform::codeSignature::sign(bundle, identity.privateKey, identity.certificate);
}

}  // namespace tavro::testing
