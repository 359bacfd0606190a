#include "TavroCore/settings/SettingsCatalog.h"

#include "TavroCore/Configuration.h"

#include <boost/url/parse.hpp>

#include <stdexcept>

namespace tavro::SettingsCatalog {

const boost::urls::url& supportURL() {
  static const boost::urls::url link = [] {
    auto parsed = boost::urls::parse_absolute_uri(configuration::supportLink());
    if (!parsed) throw std::logic_error("The configured support link is not an absolute URL");
    return boost::urls::url(*parsed);
  }();
  return link;
}

}  // namespace tavro::SettingsCatalog
