#include "Support/Sha256.h"

#include "Support/File.h"

#include <openssl/evp.h>

#include <cerrno>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tavro::sha256 {
namespace {

struct ContextDeleter {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

Context newContext() {
  Context context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 unavailable");
  }
  return context;
}

void update(EVP_MD_CTX* context, const void* bytes, std::size_t count) {
  if (EVP_DigestUpdate(context, bytes, count) != 1) throw std::runtime_error("SHA-256 failed");
}

std::array<std::uint8_t, 32> finish(EVP_MD_CTX* context) {
  std::array<std::uint8_t, 32> out{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context, out.data(), &length) != 1 || length != out.size()) {
    throw std::runtime_error("SHA-256 failed");
  }
  return out;
}

}  // namespace

std::array<std::uint8_t, 32> digest(std::string_view bytes) {
  Context context = newContext();
  update(context.get(), bytes.data(), bytes.size());
  return finish(context.get());
}

std::string toHex(const std::uint8_t* bytes, std::size_t count) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(count * 2);
  for (std::size_t index = 0; index < count; ++index) {
    out += digits[bytes[index] >> 4];
    out += digits[bytes[index] & 0x0F];
  }
  return out;
}

std::string hex(std::string_view bytes) {
  auto value = digest(bytes);
  return toHex(value.data(), value.size());
}

std::string hexOfFile(const std::filesystem::path& path) {
  // Without blocking, and only a regular file: a FIFO or a device would
  // stall the read or never end.
  file::OpenedFile opened = file::openRegular(path);
  if (!opened) throw std::system_error(opened.error, std::generic_category(), path.string());
  const int descriptor = opened.descriptor.get();

  Context context = newContext();
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ssize_t count = ::read(descriptor, buffer.data(), buffer.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), path.string());
    }
    if (count == 0) break;
    update(context.get(), buffer.data(), static_cast<std::size_t>(count));
  }
  auto value = finish(context.get());
  return toHex(value.data(), value.size());
}

}  // namespace tavro::sha256
