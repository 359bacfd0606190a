#include "TavroHost/TokenStore.h"

#include "TavroHost/AccountFiles.h"

namespace tavro {

FileTokenStore::FileTokenStore(const std::filesystem::path& configFolder)
    : file_(tokenFile(configFolder)) {}

std::optional<std::string> FileTokenStore::read() {
  return readToken(file_);
}

std::optional<std::string> FileTokenStore::write(const std::string& token) {
  return writeToken(file_, token);
}

std::optional<std::string> FileTokenStore::remove() {
  return removeAccountFile(file_);
}

HostMessage FileTokenStore::where() const {
  // "{1}" is in no table, so the path comes through in every language.
  return HostMessage("{1}", {file_.string()});
}

}  // namespace tavro
