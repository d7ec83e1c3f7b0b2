// Duplicate removal over a network list.
#include "WlanNetworkList.h"

#include <algorithm>

namespace {

bool hasProfile(const WlanNetworkRecord& network) { return network.profileName[0] != u'\0'; }

bool sameName(const WlanNetworkRecord& a, const WlanNetworkRecord& b) {
  const std::string_view name = zefcorek::devices::ssidBytes(a);
  return !name.empty() && name == zefcorek::devices::ssidBytes(b);
}

void removeAt(WlanNetworkList& list, DWORD index) {
  std::copy(list.items + index + 1, list.items + list.count, list.items + index);
  --list.count;
}

// Removes one entry of the first pair with one name; false when none is left.
bool removeFirstDuplicate(WlanNetworkList& list) {
  for (DWORD i = 0; i < list.count; ++i) {
    for (DWORD j = i + 1; j < list.count; ++j) {
      if (!sameName(list.items[i], list.items[j])) continue;
      removeAt(list, hasProfile(list.items[i]) ? j : i);
      return true;
    }
  }
  return false;
}

}  // namespace

void zefcorek::devices::removeDuplicateNetworks(WlanNetworkList& list) {
  while (removeFirstDuplicate(list)) {}
}
