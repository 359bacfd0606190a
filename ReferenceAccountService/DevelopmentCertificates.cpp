#include "ReferenceAccountService/DevelopmentCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace tavro::reference {
namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

void require(bool ok, const char* what) {
  if (!ok)
    throw std::runtime_error(std::string("cannot make the development certificates: ") + what);
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  require(extension != nullptr, "extension");
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

Certificate makeCertificate(EVP_PKEY* key, const std::string& commonName, long serial) {
  Certificate certificate(X509_new(), X509_free);
  X509_set_version(certificate.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), serial);
  X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -60);
  X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 60L * 60 * 24);
  X509_set_pubkey(certificate.get(), key);
  X509_NAME_add_entry_by_txt(X509_get_subject_name(certificate.get()), "CN", MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
  return certificate;
}

void writePEM(const std::filesystem::path& path, X509* certificate, EVP_PKEY* key) {
  FILE* file = std::fopen(path.c_str(), "w");
  require(file != nullptr, "open");
  bool ok = certificate
                ? PEM_write_X509(file, certificate) == 1
                : PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  std::fclose(file);
  require(ok, "write");
}

}  // namespace

void makeDevelopmentCertificates(const std::filesystem::path& folder, const std::string& host) {
  Key authorityKey(EVP_EC_gen("P-256"), EVP_PKEY_free);
  Key serverKey(EVP_EC_gen("P-256"), EVP_PKEY_free);
  require(authorityKey && serverKey, "keys");

  Certificate authority = makeCertificate(authorityKey.get(), "Tavro Development Authority", 1);
  X509_set_issuer_name(authority.get(), X509_get_subject_name(authority.get()));
  addExtension(authority.get(), authority.get(), NID_basic_constraints, "critical,CA:TRUE");
  addExtension(authority.get(), authority.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
  addExtension(authority.get(), authority.get(), NID_subject_key_identifier, "hash");
  require(X509_sign(authority.get(), authorityKey.get(), EVP_sha256()) != 0, "sign authority");

  Certificate server = makeCertificate(serverKey.get(), host, 2);
  X509_set_issuer_name(server.get(), X509_get_subject_name(authority.get()));
  addExtension(server.get(), authority.get(), NID_basic_constraints, "critical,CA:FALSE");
  addExtension(server.get(), authority.get(), NID_ext_key_usage, "serverAuth");
  addExtension(server.get(), authority.get(), NID_subject_alt_name, ("DNS:" + host).c_str());
  addExtension(server.get(), authority.get(), NID_authority_key_identifier, "keyid");
  require(X509_sign(server.get(), authorityKey.get(), EVP_sha256()) != 0, "sign server");

  writePEM(folder / "ca.pem", authority.get(), nullptr);
  writePEM(folder / "server.pem", server.get(), nullptr);
  writePEM(folder / "server.key", nullptr, serverKey.get());
}

}  // namespace tavro::reference
