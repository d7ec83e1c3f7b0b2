// What a message box of given flags shows: its buttons in order, the one
// that is the default, the one that Escape presses, and its icon. The
// wizard's forms build their dialog from this; the flags are the system's
// (platform/MessageBox.h).
#pragma once

#include "platform/WinTypes.h"

#include <vector>

namespace zefkr {

enum class BoxIcon { kNone, kStop, kQuestion, kWarning, kInformation };

struct MessageBoxLayout {
  std::vector<int> buttons;  // answers (IDOK, IDCANCEL, ...) in display order
  int defaultAnswer;         // the default button's answer
  int escapeAnswer;          // what closing the box without a button answers
  BoxIcon icon;
};

// The layout of `type`; an unknown button set shows OK alone, a default
// button past the last one falls back to the first.
MessageBoxLayout messageBoxLayout(UINT type);

}  // namespace zefkr
