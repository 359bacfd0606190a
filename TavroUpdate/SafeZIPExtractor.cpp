#include "TavroUpdate/SafeZIPExtractor.h"

#include "Platform/MainThread.h"
#include "Support/FileDescriptor.h"
#include "TavroUpdate/UpdateFailure.h"
#include "TavroUpdate/ZIPFile.h"
#include "TavroUpdate/ZIPInspection.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace tavro::SafeZIPExtractor {
namespace {

constexpr std::size_t outputBufferSize = 65536;
constexpr mode_t writingMode = 0600;
constexpr mode_t defaultFileMode = 0644;
constexpr int rawDeflateWindowBits = -15;
// Never granted, whatever the archive says: group or other write permission
// would let another user change the installed, signed application.
constexpr mode_t groupOrOtherWrite = 0022;
constexpr mode_t directoryMode = 0755;

[[noreturn]] void invalid() { throw UpdateFailure(UpdateFailure::invalidArchive); }

[[noreturn]] void systemFailure(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Owns the output file while a member is written; a member that fails
// leaves its file closed (a failure to close is then ignored).
class OutputFile {
 public:
  explicit OutputFile(const std::filesystem::path& target) {
    // Replace whatever is there with a new file of our own. O_EXCL together
    // with O_NOFOLLOW means we never write through an existing file or link.
    if (::unlink(target.c_str()) != 0 && errno != ENOENT) {
      throw UpdateFailure(UpdateFailure::notVerified);
    }
    int descriptor = -1;
    do {
      descriptor = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, writingMode);
    } while (descriptor < 0 && errno == EINTR);
    descriptor_ = FileDescriptor(descriptor);
    // The umask may have taken bits away; the file must be exactly 0600.
    if (descriptor_.get() < 0 || ::fchmod(descriptor_.get(), writingMode) != 0) {
      throw UpdateFailure(UpdateFailure::notVerified);
    }
  }

  int descriptor() const { return descriptor_.get(); }

  // Closes the file; here a failure is passed on.
  void close() {
    if (descriptor_.close() != 0) systemFailure("close");
  }

 private:
  FileDescriptor descriptor_;
};

// A raw deflate stream, ended however the member ends.
class Inflater {
 public:
  Inflater() {
    if (::inflateInit2(&stream_, rawDeflateWindowBits) != Z_OK) invalid();
  }
  ~Inflater() { ::inflateEnd(&stream_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
};

void inflateMember(MemberOutput& output, std::span<unsigned char> input,
                   std::array<unsigned char, outputBufferSize>& buffer) {
  Inflater inflater;
  z_stream& stream = inflater.stream();
  stream.next_in = input.data();
  stream.avail_in = static_cast<uInt>(input.size());
  int status = Z_OK;
  while (true) {
    const uInt inputBefore = stream.avail_in;
    stream.next_out = buffer.data();
    stream.avail_out = static_cast<uInt>(buffer.size());
    status = ::inflate(&stream, Z_NO_FLUSH);
    const std::size_t produced = buffer.size() - stream.avail_out;
    write(output, std::span<const unsigned char>(buffer.data(), produced));
    if (status != Z_OK) break;
    if (produced == 0 && stream.avail_in >= inputBefore) invalid();
  }
  // Corrupt or truncated data, and bytes after the end of the stream.
  if (status != Z_STREAM_END || stream.avail_in != 0) invalid();
}

// Creates `directory` and its missing parents below `destination`, each
// without group or other write permission whatever the umask allows. An
// existing directory is accepted; anything else in the way is a failure.
void makeDirectories(const std::filesystem::path& destination, const std::filesystem::path& relative) {
  std::filesystem::path path = destination;
  for (const std::filesystem::path& component : relative) {
    if (component.empty()) continue;
    path /= component;
    if (::mkdir(path.c_str(), directoryMode) == 0) {
      struct stat status {};
      if (::lstat(path.c_str(), &status) != 0) systemFailure("lstat");
      if ((status.st_mode & groupOrOtherWrite) != 0 &&
          ::chmod(path.c_str(), status.st_mode & 07777 & ~groupOrOtherWrite) != 0) {
        systemFailure("chmod");
      }
      continue;
    }
    if (errno != EEXIST) systemFailure("mkdir");
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) systemFailure("lstat");
    if (!S_ISDIR(status.st_mode)) {
      errno = ENOTDIR;
      systemFailure("mkdir");
    }
  }
}

}  // namespace

void write(MemberOutput& output, std::span<const unsigned char> chunk) {
  if (chunk.empty()) return;
  output.written += static_cast<std::int64_t>(chunk.size());
  if (output.written > output.expandedSize) invalid();
  output.crc = static_cast<std::uint32_t>(
      ::crc32_z(output.crc, chunk.data(), static_cast<z_size_t>(chunk.size())));
  std::size_t done = 0;
  while (done < chunk.size()) {
    const ssize_t n = ::write(output.descriptor, chunk.data() + done, chunk.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      systemFailure("write");
    }
    done += static_cast<std::size_t>(n);
  }
}

void extract(const std::filesystem::path& archive, const std::filesystem::path& destination) {
  if (platform::isMainThread()) throw UpdateFailure(UpdateFailure::mainThread);
  const std::vector<ZIPMember> members = ZIPInspection::members(archive);
  const ZIPFile file(archive);

  // One input buffer that grows to the largest stored size and one output
  // buffer: memory stays bounded by the largest member's stored bytes.
  std::vector<unsigned char> input;
  std::array<unsigned char, outputBufferSize> buffer;
  std::filesystem::path lastParent;

  for (const ZIPMember& member : members) {
    const std::filesystem::path target = destination / member.name;
    if (member.name.back() == '/') {
      if (member.expandedSize != 0) invalid();
      makeDirectories(destination, member.name);
      continue;
    }

    // Consecutive members usually share their parent; create it only once.
    std::filesystem::path parent = target.parent_path();
    if (parent != lastParent) {
      makeDirectories(destination, std::filesystem::path(member.name).parent_path());
      lastParent = std::move(parent);
    }
    OutputFile outputFile(target);

    input.resize(static_cast<std::size_t>(member.compressedSize));
    if (file.readAt(member.dataOffset, input.data(), input.size()) != input.size()) invalid();

    MemberOutput output{outputFile.descriptor(), member.expandedSize, 0, 0};
    if (member.method == 0) {
      write(output, input);
    } else {
      buffer.fill(0);
      inflateMember(output, input, buffer);
    }
    if (output.written != member.expandedSize || output.crc != member.crc) invalid();

    outputFile.close();
    const auto mode = (member.permissions == 0 ? defaultFileMode : static_cast<mode_t>(member.permissions)) &
                      ~groupOrOtherWrite;
    if (::chmod(target.c_str(), mode) != 0) systemFailure("chmod");
  }
}

}  // namespace tavro::SafeZIPExtractor
