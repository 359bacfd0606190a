#include "TavroCore/account/QueryText.h"

#include <boost/url/encode.hpp>
#include <boost/url/rfc/unreserved_chars.hpp>

namespace tavro::querytext {

std::string items(std::initializer_list<std::pair<std::string_view, std::string_view>> items) {
  std::string query;
  for (const auto& [name, value] : items) {
    if (!query.empty()) query += '&';
    query += boost::urls::encode(name, boost::urls::unreserved_chars);
    query += '=';
    query += boost::urls::encode(value, boost::urls::unreserved_chars);
  }
  return query;
}

}  // namespace tavro::querytext
