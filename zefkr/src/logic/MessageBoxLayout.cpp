// Buttons, default and icon of a message box from its flags.
#include "zefkr/MessageBoxLayout.h"

#include "platform/MessageBox.h"

#include <algorithm>

zefkr::MessageBoxLayout zefkr::messageBoxLayout(UINT type) {
  MessageBoxLayout layout{};
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: layout.buttons = {IDOK, IDCANCEL}; break;
    case MB_ABORTRETRYIGNORE: layout.buttons = {IDABORT, IDRETRY, IDIGNORE}; break;
    case MB_YESNOCANCEL: layout.buttons = {IDYES, IDNO, IDCANCEL}; break;
    case MB_YESNO: layout.buttons = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: layout.buttons = {IDRETRY, IDCANCEL}; break;
    default: layout.buttons = {IDOK}; break;
  }
  const size_t defaultIndex = (type & MB_DEFMASK) >> 8;
  layout.defaultAnswer = layout.buttons[defaultIndex < layout.buttons.size() ? defaultIndex : 0];

  // Closing the box answers Cancel when it has one; OK alone answers OK. A
  // box with neither (Yes/No, Abort/Retry/Ignore) cannot be closed without a
  // button on the system, so its default answers.
  const auto has = [&](int answer) {
    return std::find(layout.buttons.begin(), layout.buttons.end(), answer) != layout.buttons.end();
  };
  layout.escapeAnswer = has(IDCANCEL) ? IDCANCEL : has(IDOK) ? IDOK : layout.defaultAnswer;

  switch (type & 0xF0) {
    case MB_ICONSTOP: layout.icon = BoxIcon::kStop; break;
    case MB_ICONQUESTION: layout.icon = BoxIcon::kQuestion; break;
    case MB_ICONWARNING: layout.icon = BoxIcon::kWarning; break;
    case MB_ICONINFORMATION: layout.icon = BoxIcon::kInformation; break;
    default: layout.icon = BoxIcon::kNone; break;
  }
  return layout;
}
