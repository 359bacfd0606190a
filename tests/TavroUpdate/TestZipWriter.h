// A small ZIP writer for tests. It produces well-formed archives and, through
// the fields that override what it would compute, every malformed variant a
// test needs: wrong signatures, lying sizes and CRCs, extra fields, flags,
// data descriptors, comments, duplicate names, symbolic-link modes, headers
// that disagree, records shared by several members, truncation.
//
// Header-only so every test program can include it; needs zlib at link time.
//
//   using namespace tavro::testing;
//   std::string bytes = ZipWriter::archive({
//       ZipEntry::directory("BRELVA Tavro.app/"),
//       ZipEntry::file("BRELVA Tavro.app/Contents/Info.plist", "<plist/>"),
//   });
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::testing {

// Raw deflate (no zlib or gzip wrapper) of `data`, as ZIP stores it.
inline std::string deflateRaw(std::string_view data, int level = Z_DEFAULT_COMPRESSION) {
  z_stream stream{};
  if (deflateInit2(&stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate failed");
  return out;
}

inline std::uint32_t crc32Of(std::string_view data) {
  return static_cast<std::uint32_t>(
      crc32_z(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<z_size_t>(data.size())));
}

// Appends `value` as `count` little-endian bytes.
inline void appendLittleEndian(std::string& out, std::uint64_t value, int count) {
  for (int i = 0; i < count; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Unix modes as the external attributes carry them (upper 16 bits).
inline constexpr std::uint32_t unixMode(std::uint32_t mode) { return mode << 16; }

// One member. The factories fill in a consistent member; a test then changes
// any field to make it lie.
struct ZipEntry {
  // Central directory values.
  std::string name;
  std::uint16_t flags = 0x0800;
  std::uint16_t method = 8;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t expandedSize = 0;
  std::uint32_t externalAttributes = 0;
  std::string extra;
  std::string comment;
  std::uint16_t diskStart = 0;
  std::uint32_t centralSignature = 0x02014b50;
  // Where the central record says the local header is; by default where the
  // writer put it.
  std::optional<std::uint32_t> localHeaderOffset;

  // Local header values; by default the central ones.
  std::uint32_t localSignature = 0x04034b50;
  std::optional<std::string> localName;
  std::optional<std::uint16_t> localFlags;
  std::optional<std::uint16_t> localMethod;
  std::string localExtra;

  // The bytes written after the local header, and whether a data descriptor
  // (signature, CRC-32, sizes) follows them. Setting `dataDescriptor` sets
  // flag bit 3 when the writer writes the entry.
  std::string stored;
  bool dataDescriptor = false;

  // A regular file (mode 0644 unless given) holding `content`, deflated
  // (method 8) or stored (method 0).
  static ZipEntry file(std::string name, std::string_view content, std::uint16_t method = 8,
                       std::uint32_t mode = 0100644) {
    ZipEntry entry;
    entry.name = std::move(name);
    entry.method = method;
    entry.stored = method == 8 ? deflateRaw(content) : std::string(content);
    entry.crc = crc32Of(content);
    entry.compressedSize = static_cast<std::uint32_t>(entry.stored.size());
    entry.expandedSize = static_cast<std::uint32_t>(content.size());
    entry.externalAttributes = unixMode(mode);
    return entry;
  }

  // A directory (name ending with "/"), stored, empty, mode 040755.
  static ZipEntry directory(std::string name) {
    ZipEntry entry;
    entry.name = std::move(name);
    entry.method = 0;
    entry.crc = 0;
    entry.externalAttributes = unixMode(040755);
    return entry;
  }
};

// What the end record says; by default what the writer computed.
struct ZipEnd {
  std::uint32_t signature = 0x06054b50;
  std::optional<std::uint16_t> thisDisk;
  std::optional<std::uint16_t> directoryDisk;
  std::optional<std::uint16_t> recordsOnDisk;
  std::optional<std::uint16_t> totalRecords;
  std::optional<std::uint32_t> directorySize;
  std::optional<std::uint32_t> directoryOffset;
  std::string comment;
  std::optional<std::uint16_t> commentLength;
  // Bytes after the central records that the stated directory size counts.
  std::string directoryPadding;
  // Bytes between the central directory and the end record (not counted).
  std::string beforeEndRecord;
  // Bytes after the end record and its comment.
  std::string trailing;

  // A consistent end record carrying `text` as the archive comment.
  static ZipEnd withComment(std::string text) {
    ZipEnd end;
    end.comment = std::move(text);
    return end;
  }
};

// Builds an archive front to back: local entries and raw bytes in file
// order, then `finish` writes the central directory and the end record.
class ZipWriter {
 public:
  // A whole archive of `entries` in one call.
  static std::string archive(const std::vector<ZipEntry>& entries, const ZipEnd& end = {}) {
    ZipWriter writer;
    for (const ZipEntry& entry : entries) writer.add(entry);
    return writer.finish(end);
  }

  // The local header (signature to extra field) `entry` would get.
  static std::string localHeader(const ZipEntry& entry) {
    const std::string& name = entry.localName ? *entry.localName : entry.name;
    const bool descriptor = entry.dataDescriptor;
    std::string out;
    appendLittleEndian(out, entry.localSignature, 4);
    appendLittleEndian(out, 20, 2);
    appendLittleEndian(out, entry.localFlags ? *entry.localFlags : effectiveFlags(entry), 2);
    appendLittleEndian(out, entry.localMethod ? *entry.localMethod : entry.method, 2);
    appendLittleEndian(out, 0, 4);  // time, date
    appendLittleEndian(out, descriptor ? 0 : entry.crc, 4);
    appendLittleEndian(out, descriptor ? 0 : entry.compressedSize, 4);
    appendLittleEndian(out, descriptor ? 0 : entry.expandedSize, 4);
    appendLittleEndian(out, name.size(), 2);
    appendLittleEndian(out, entry.localExtra.size(), 2);
    out += name;
    out += entry.localExtra;
    return out;
  }

  // The current end of the file.
  std::uint32_t offset() const { return static_cast<std::uint32_t>(bytes_.size()); }

  // Writes `data` as it is (a prefix, junk, quoting bytes).
  void raw(std::string_view data) { bytes_ += data; }

  // Writes the entry's local header, stored bytes and descriptor, and lists
  // it for the central directory. Returns the local header's offset.
  std::uint32_t add(const ZipEntry& entry) {
    const std::uint32_t at = offset();
    bytes_ += localHeader(entry);
    bytes_ += entry.stored;
    if (entry.dataDescriptor) {
      appendLittleEndian(bytes_, 0x08074b50, 4);
      appendLittleEndian(bytes_, entry.crc, 4);
      appendLittleEndian(bytes_, entry.compressedSize, 4);
      appendLittleEndian(bytes_, entry.expandedSize, 4);
    }
    addCentral(entry, at);
    return at;
  }

  // Lists a central record only, pointing at `localHeaderOffset` (unless the
  // entry names another one).
  void addCentral(const ZipEntry& entry, std::uint32_t localHeaderOffset) {
    std::string& out = central_;
    appendLittleEndian(out, entry.centralSignature, 4);
    appendLittleEndian(out, 0x0314, 2);  // made by: Unix
    appendLittleEndian(out, 20, 2);
    appendLittleEndian(out, effectiveFlags(entry), 2);
    appendLittleEndian(out, entry.method, 2);
    appendLittleEndian(out, 0, 4);
    appendLittleEndian(out, entry.crc, 4);
    appendLittleEndian(out, entry.compressedSize, 4);
    appendLittleEndian(out, entry.expandedSize, 4);
    appendLittleEndian(out, entry.name.size(), 2);
    appendLittleEndian(out, entry.extra.size(), 2);
    appendLittleEndian(out, entry.comment.size(), 2);
    appendLittleEndian(out, entry.diskStart, 2);
    appendLittleEndian(out, 0, 2);
    appendLittleEndian(out, entry.externalAttributes, 4);
    appendLittleEndian(out, entry.localHeaderOffset ? *entry.localHeaderOffset : localHeaderOffset, 4);
    out += entry.name;
    out += entry.extra;
    out += entry.comment;
    ++records_;
  }

  // The archive: what was written, the central directory, the end record.
  std::string finish(const ZipEnd& end = {}) const {
    std::string out = bytes_;
    const std::uint32_t directoryOffset = offset();
    out += central_;
    out += end.directoryPadding;
    const auto directorySize = static_cast<std::uint32_t>(central_.size() + end.directoryPadding.size());
    out += end.beforeEndRecord;
    appendLittleEndian(out, end.signature, 4);
    appendLittleEndian(out, end.thisDisk.value_or(0), 2);
    appendLittleEndian(out, end.directoryDisk.value_or(0), 2);
    appendLittleEndian(out, end.recordsOnDisk.value_or(static_cast<std::uint16_t>(records_)), 2);
    appendLittleEndian(out, end.totalRecords.value_or(static_cast<std::uint16_t>(records_)), 2);
    appendLittleEndian(out, end.directorySize.value_or(directorySize), 4);
    appendLittleEndian(out, end.directoryOffset.value_or(directoryOffset), 4);
    appendLittleEndian(out, end.commentLength.value_or(static_cast<std::uint16_t>(end.comment.size())), 2);
    out += end.comment;
    out += end.trailing;
    return out;
  }

 private:
  static std::uint16_t effectiveFlags(const ZipEntry& entry) {
    return static_cast<std::uint16_t>(entry.flags | (entry.dataDescriptor ? 0x0008 : 0));
  }

  std::string bytes_;
  std::string central_;
  std::size_t records_ = 0;
};

}  // namespace tavro::testing
