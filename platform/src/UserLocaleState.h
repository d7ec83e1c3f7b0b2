// What the user's locale and its case rules share inside the platform.
#pragma once

namespace platform {

// Drops the cached case rules of the user's locale; the next userCaseRules()
// makes them for the locale then in force.
void forgetUserCaseRules();

}  // namespace platform
