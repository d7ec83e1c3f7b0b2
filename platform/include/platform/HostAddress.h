// Name resolution for the network helpers: the text of a host's address.
#pragma once

#include "platform/Export.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Resolves `host` (a name or an address literal) and returns the text of the
// first address the resolver gives: dotted decimal for IPv4, the standard
// form for IPv6, without a port. nullopt when the name does not resolve or
// its first address is of another family.
ZEF_EXPORT std::optional<std::string> firstAddressText(std::string_view host);

}  // namespace platform
