// xattr: removes an extended attribute from a file tree.
//   xattr -dr NAME PATH
// NAME is stored as the Linux user attribute "user.NAME". PATH and every
// item below it lose the attribute; symbolic links are neither followed nor
// changed through. Items without the attribute, and file systems without
// user attributes, are fine. Exit status 0, or 1 with one line on standard
// error when an attribute cannot be removed or the tree cannot be walked.
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

bool removeFrom(const std::filesystem::path& path, const std::string& attribute) {
  if (::lremovexattr(path.c_str(), attribute.c_str()) == 0) return true;
  if (errno == ENODATA || errno == ENOTSUP) return true;
  // Links carry no user attributes on Linux; nothing to remove from them.
  if (errno == EPERM && std::filesystem::is_symlink(std::filesystem::symlink_status(path))) return true;
  std::fprintf(stderr, "xattr: %s: %s\n", path.c_str(), std::strerror(errno));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.size() != 3 || arguments[0] != "-dr" || arguments[1].empty()) {
    std::fputs("usage: xattr -dr NAME PATH\n", stderr);
    return 2;
  }
  const std::string attribute = "user." + arguments[1];
  const std::filesystem::path root = arguments[2];
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(root, error))) {
    std::fprintf(stderr, "xattr: %s: No such file\n", root.c_str());
    return 1;
  }
  bool succeeded = removeFrom(root, attribute);
  if (std::filesystem::is_directory(std::filesystem::symlink_status(root, error))) {
    std::filesystem::recursive_directory_iterator walk(root, error);
    for (; !error && walk != std::filesystem::recursive_directory_iterator(); walk.increment(error)) {
      succeeded = removeFrom(walk->path(), attribute) && succeeded;
    }
    if (error) {
      std::fprintf(stderr, "xattr: %s: %s\n", root.c_str(), error.message().c_str());
      succeeded = false;
    }
  }
  return succeeded ? 0 : 1;
}
