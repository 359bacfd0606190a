#include "TavroCore/Configuration.h"

namespace tavro::configuration {

std::string_view downloadHost() { return TAVRO_DOWNLOAD_HOST; }
std::string_view accountServiceOrigin() { return TAVRO_ACCOUNT_SERVICE_ORIGIN; }
std::string_view supportLink() { return TAVRO_SUPPORT_LINK; }
std::string_view webDomain() { return TAVRO_WEB_DOMAIN; }

}  // namespace tavro::configuration
