#include "Platform/CodeSignature.h"

#include "Support/File.h"
#include "Support/FileDescriptor.h"
#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "Support/Sha256.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <vector>
#include <unistd.h>

namespace tavro::platform::codeSignature {
namespace {

namespace fs = std::filesystem;

// Generous bounds on the two signature files, checked before they are read.
constexpr off_t maximumResourcesBytes = 64 << 20;
constexpr off_t maximumSignatureBytes = 1 << 20;

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct CmsFree {
  void operator()(CMS_ContentInfo* cms) const { CMS_ContentInfo_free(cms); }
};
struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct X509Free {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
struct StoreFree {
  void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};
struct SignersFree {
  void operator()(STACK_OF(X509) * signers) const { sk_X509_free(signers); }
};
using Bio = std::unique_ptr<BIO, BioFree>;
using Cms = std::unique_ptr<CMS_ContentInfo, CmsFree>;

// The oldest OpenSSL error as text, and the queue emptied for the next call.
std::string openSSLReason() {
  unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return "unknown reason";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

Bio memoryOf(const std::string& bytes) {
  return Bio(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
}

// Reads a regular file that is not a symbolic link, refusing one larger
// than `limit` before reading it. Opened without blocking, so that a FIFO
// or device in its place is refused rather than waited on.
std::string readRegularFile(const fs::path& path, off_t limit) {
  file::Contents contents =
      file::readRegular(path, {.limit = static_cast<std::uintmax_t>(limit), .followLinks = false});
  switch (contents.failure) {
    case file::Failure::none:
      return std::move(contents.bytes);
    case file::Failure::open:
      throw SignatureError(path.string() + ": " + std::generic_category().message(contents.error));
    case file::Failure::notRegular:
      throw SignatureError(path.string() + ": not a regular file");
    case file::Failure::tooLarge:
      throw SignatureError(path.string() + ": too large");
    case file::Failure::status:
    case file::Failure::read:
      break;
  }
  throw SignatureError(path.string() + ": cannot be read");
}

void writeWholeFile(const fs::path& path, const std::string& bytes) {
  FileDescriptor descriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
  if (descriptor.get() < 0) throw std::system_error(errno, std::generic_category(), "Cannot create " + path.string());
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t count = ::write(descriptor.get(), bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) throw std::system_error(errno, std::generic_category(), "Cannot write " + path.string());
    written += static_cast<std::size_t>(count);
  }
  if (descriptor.close() != 0) throw std::system_error(errno, std::generic_category(), "Cannot close " + path.string());
}

bool isSignatureFile(const std::string& relative) { return relative == resourcesPath || relative == signaturePath; }

// Group or other write permission on anything in a bundle would let another
// user change a signed application, so such a bundle is neither signed nor
// accepted.
constexpr mode_t groupOrOtherWrite = S_IWGRP | S_IWOTH;

bool isExecutable(mode_t mode) { return (mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0; }

// Every folder and regular file below `bundle` (relative, '/'-separated),
// the two signature files left out of the files; the bundle folder itself
// is checked but not visited. Symbolic links, special files and anything
// writable by group or others are refused.
template <typename VisitFolder, typename VisitFile>
void walkBundle(const fs::path& bundle, VisitFolder&& visitFolder, VisitFile&& visitFile) {
  struct stat top {};
  if (::stat(bundle.c_str(), &top) != 0) throw SignatureError(bundle.string() + ": cannot be read");
  if ((top.st_mode & groupOrOtherWrite) != 0) throw SignatureError("the bundle folder is writable by group or others");
  std::error_code error;
  fs::recursive_directory_iterator walk(bundle, error);
  if (error) throw SignatureError(bundle.string() + ": " + error.message());
  for (; walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    if (error) break;
    std::string relative = walk->path().lexically_relative(bundle).generic_string();
    struct stat status {};
    if (::lstat(walk->path().c_str(), &status) != 0) throw SignatureError(relative + ": cannot be read");
    if (S_ISLNK(status.st_mode)) throw SignatureError(relative + ": symbolic link in the bundle");
    if (!S_ISDIR(status.st_mode) && !S_ISREG(status.st_mode)) {
      throw SignatureError(relative + ": special file in the bundle");
    }
    if ((status.st_mode & groupOrOtherWrite) != 0) throw SignatureError(relative + ": writable by group or others");
    if (S_ISDIR(status.st_mode)) {
      visitFolder(relative);
    } else if (!isSignatureFile(relative)) {
      visitFile(relative, walk->path(), isExecutable(status.st_mode));
    }
  }
  if (error) throw SignatureError(bundle.string() + ": " + error.message());
}

// A sealed name must stay inside the bundle: relative, with no empty, "."
// or ".." pieces.
bool isSafeRelativePath(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.find('\0') != std::string_view::npos) return false;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = name.find('/', start);
    std::string_view piece = name.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (piece.empty() || piece == "." || piece == "..") return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool isDigestText(std::string_view text) {
  if (text.size() != 64) return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

void refuseLinkedDirectory(const fs::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) throw SignatureError(path.string() + ": missing");
  if (!S_ISDIR(status.st_mode)) throw SignatureError(path.string() + ": not a directory");
}

// SHA-1 (and anything weaker) no longer protects a signature: collisions
// can be made. Only the SHA-2 digests of 256 bits or more are accepted, for
// the digest of the signed data and for the signature algorithm alike.
bool isStrongDigest(int nid) {
  return nid == NID_sha256 || nid == NID_sha384 || nid == NID_sha512 || nid == NID_sha512_256;
}

void requireStrongDigest(CMS_SignerInfo* signer) {
  X509_ALGOR* digest = nullptr;
  X509_ALGOR* signature = nullptr;
  CMS_SignerInfo_get0_algs(signer, nullptr, nullptr, &digest, &signature);
  if (digest == nullptr || !isStrongDigest(OBJ_obj2nid(digest->algorithm))) {
    throw SignatureError("the signature's digest is weaker than SHA-256");
  }
  // A signature algorithm that names its own digest (ecdsa-with-SHA1,
  // sha1WithRSAEncryption) must name a strong one too.
  int digestOfSignature = NID_undef;
  int keyType = NID_undef;
  if (signature != nullptr &&
      OBJ_find_sigid_algs(OBJ_obj2nid(signature->algorithm), &digestOfSignature, &keyType) == 1 &&
      digestOfSignature != NID_undef && !isStrongDigest(digestOfSignature)) {
    throw SignatureError("the signature's digest is weaker than SHA-256");
  }
}

struct CheckedSignature {
  std::string resources;
  std::string leafCertificateDER;
};

// Reads both signature files and checks the CMS signature over the
// resources with the certificate it embeds.
CheckedSignature checkSignature(const fs::path& bundle) {
  struct stat status {};
  if (::stat(bundle.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    throw SignatureError(bundle.string() + ": not a bundle directory");
  }
  refuseLinkedDirectory(bundle / "Contents");
  refuseLinkedDirectory(bundle / "Contents/_CodeSignature");
  CheckedSignature checked;
  checked.resources = readRegularFile(bundle / resourcesPath, maximumResourcesBytes);
  std::string signature = readRegularFile(bundle / signaturePath, maximumSignatureBytes);

  ERR_clear_error();
  Bio signatureBio = memoryOf(signature);
  Cms cms(d2i_CMS_bio(signatureBio.get(), nullptr));
  if (!cms) throw SignatureError("malformed signature: " + openSSLReason());
  if (OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed) throw SignatureError("not a signed-data signature");
  STACK_OF(CMS_SignerInfo)* signerInfos = CMS_get0_SignerInfos(cms.get());
  if (signerInfos == nullptr || sk_CMS_SignerInfo_num(signerInfos) != 1) {
    throw SignatureError("the signature must have exactly one signer");
  }
  requireStrongDigest(sk_CMS_SignerInfo_value(signerInfos, 0));
  std::unique_ptr<X509_STORE, StoreFree> store(X509_STORE_new());
  Bio content = memoryOf(checked.resources);
  // No chain is built: the certificate is pinned by its digest instead.
  if (CMS_verify(cms.get(), nullptr, store.get(), content.get(), nullptr,
                 CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) != 1) {
    throw SignatureError("invalid signature: " + openSSLReason());
  }
  std::unique_ptr<STACK_OF(X509), SignersFree> signers(CMS_get0_signers(cms.get()));
  if (!signers || sk_X509_num(signers.get()) != 1 || sk_X509_value(signers.get(), 0) == nullptr) {
    throw SignatureError("the signer's certificate is not embedded");
  }
  unsigned char* der = nullptr;
  int length = i2d_X509(sk_X509_value(signers.get(), 0), &der);
  if (length <= 0) throw SignatureError("unreadable certificate: " + openSSLReason());
  checked.leafCertificateDER.assign(reinterpret_cast<const char*>(der), static_cast<std::size_t>(length));
  OPENSSL_free(der);
  return checked;
}

// What CodeResources records: each file's digest, which files are
// executable, and every folder. Seals made before executables and folders
// were recorded lack those two lists and are refused: such a bundle must be
// signed again.
struct Seal {
  std::map<std::string, std::string> files;
  std::set<std::string> executables;
  std::set<std::string> folders;
};

Seal readSeal(const std::string& resources) {
  Seal seal;
  try {
    json::Document document = json::Document::parse(resources);
    json::Object root = document.root().object();
    for (const auto& [name, value] : root.object("files").fields()) {
      std::string digest = value.string();
      if (!isSafeRelativePath(name) || !isDigestText(digest)) throw SignatureError("malformed seal entry");
      if (!seal.files.emplace(std::string(name), std::move(digest)).second) throw SignatureError("duplicate seal entry");
    }
    if (!root.field("executables") || !root.field("folders")) {
      throw SignatureError("the seal records no executables and folders; the bundle must be signed again");
    }
    for (const json::Value& value : root.array("executables").elements()) {
      std::string name = value.string();
      if (!seal.files.contains(name)) throw SignatureError("malformed seal entry");
      if (!seal.executables.insert(std::move(name)).second) throw SignatureError("duplicate seal entry");
    }
    for (const json::Value& value : root.array("folders").elements()) {
      std::string name = value.string();
      if (!isSafeRelativePath(name)) throw SignatureError("malformed seal entry");
      if (!seal.folders.insert(std::move(name)).second) throw SignatureError("duplicate seal entry");
    }
  } catch (const json::DecodingError& failure) {
    throw SignatureError(std::string("malformed CodeResources: ") + failure.what());
  }
  return seal;
}

}  // namespace

void sign(const fs::path& bundle, const fs::path& privateKeyPEM, const fs::path& certificatePEM) {
  std::string keyText = readRegularFile(privateKeyPEM, maximumSignatureBytes);
  std::string certificateText = readRegularFile(certificatePEM, maximumSignatureBytes);
  ERR_clear_error();
  Bio keyBio = memoryOf(keyText);
  std::unique_ptr<EVP_PKEY, KeyFree> key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
  if (!key) throw SignatureError("unreadable private key: " + openSSLReason());
  Bio certificateBio = memoryOf(certificateText);
  std::unique_ptr<X509, X509Free> certificate(PEM_read_bio_X509(certificateBio.get(), nullptr, nullptr, nullptr));
  if (!certificate) throw SignatureError("unreadable certificate: " + openSSLReason());
  if (X509_check_private_key(certificate.get(), key.get()) != 1) {
    ERR_clear_error();
    throw SignatureError("the private key does not belong to the certificate");
  }

  refuseLinkedDirectory(bundle);
  // The signature's own folder is one of the sealed folders.
  fs::create_directories(bundle / "Contents/_CodeSignature");
  fs::permissions(bundle / "Contents/_CodeSignature", fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  std::map<std::string, std::string> files;
  std::set<std::string> executables;
  std::set<std::string> folders;
  walkBundle(
      bundle, [&](const std::string& relative) { folders.insert(relative); },
      [&](const std::string& relative, const fs::path& path, bool executable) {
        files.emplace(relative, sha256::hexOfFile(path));
        if (executable) executables.insert(relative);
      });
  // "files" keeps the form installers before the executables and folders
  // lists read, so they can still check bundles signed with them.
  json::OrderedJson seal = json::OrderedJson::object();
  json::OrderedJson& list = seal["files"] = json::OrderedJson::object();
  for (const auto& [name, digest] : files) list[name] = digest;
  seal["executables"] = json::OrderedJson::array();
  for (const std::string& name : executables) seal["executables"].push_back(name);
  seal["folders"] = json::OrderedJson::array();
  for (const std::string& name : folders) seal["folders"].push_back(name);
  std::string resources = json::encode(seal) + "\n";

  Bio content = memoryOf(resources);
  Cms cms(CMS_sign(certificate.get(), key.get(), nullptr, content.get(), CMS_DETACHED | CMS_BINARY));
  if (!cms) throw SignatureError("cannot sign: " + openSSLReason());
  Bio output(BIO_new(BIO_s_mem()));
  if (i2d_CMS_bio(output.get(), cms.get()) != 1) throw SignatureError("cannot encode the signature: " + openSSLReason());
  char* bytes = nullptr;
  long size = BIO_get_mem_data(output.get(), &bytes);

  writeWholeFile(bundle / resourcesPath, resources);
  writeWholeFile(bundle / signaturePath, std::string(bytes, static_cast<std::size_t>(size)));
}

void verify(const fs::path& bundle) {
  CheckedSignature checked = checkSignature(bundle);
  Seal seal = readSeal(checked.resources);
  // With the top directory given through a link, walk what it names.
  fs::path root = fs::is_symlink(fs::symlink_status(bundle)) ? fs::canonical(bundle) : bundle;
  struct Item {
    std::string relative;
    fs::path path;
    const std::string* sealedDigest;
    std::string fault;
  };
  std::vector<Item> items;
  std::size_t foldersSeen = 0;
  walkBundle(
      root,
      [&](const std::string& relative) {
        if (!seal.folders.contains(relative)) throw SignatureError(relative + ": folder added after signing");
        ++foldersSeen;
      },
      [&](const std::string& relative, const fs::path& path, bool executable) {
        auto entry = seal.files.find(relative);
        if (entry == seal.files.end()) throw SignatureError(relative + ": file added after signing");
        if (executable != seal.executables.contains(relative)) {
          throw SignatureError(relative + ": executable permission changed after signing");
        }
        items.push_back({relative, path, &entry->second, {}});
      });
  if (foldersSeen != seal.folders.size()) throw SignatureError("sealed folder missing");
  // Hashing is the bulk of the work: spread the files over the cores.
  std::atomic<std::size_t> next{0};
  auto hashItems = [&] {
    for (std::size_t index; (index = next.fetch_add(1)) < items.size();) {
      Item& item = items[index];
      try {
        if (sha256::hexOfFile(item.path) != *item.sealedDigest) item.fault = "file modified after signing";
      } catch (const std::exception& failure) {
        item.fault = failure.what();
      }
    }
  };
  unsigned helpers = std::min(std::max(std::thread::hardware_concurrency(), 1u), 4u) - 1;
  std::vector<std::thread> threads;
  try {
    for (unsigned helper = 0; helper < helpers && helper + 1 < items.size(); ++helper) threads.emplace_back(hashItems);
  } catch (const std::system_error&) {
    // Fewer threads only make it slower.
  }
  hashItems();
  for (std::thread& thread : threads) thread.join();
  for (const Item& item : items) {
    if (!item.fault.empty()) throw SignatureError(item.relative + ": " + item.fault);
  }
  if (items.size() != seal.files.size()) {
    for (const auto& [name, digest] : seal.files) {
      struct stat status {};
      if (::lstat((root / name).c_str(), &status) != 0) throw SignatureError(name + ": sealed file missing");
    }
    throw SignatureError("sealed file missing");
  }
}

std::optional<std::string> certificate(const fs::path& bundle) {
  try {
    return sha256::hex(checkSignature(bundle).leafCertificateDER);
  } catch (const std::exception&) {
    ERR_clear_error();
    return std::nullopt;
  }
}

}  // namespace tavro::platform::codeSignature
