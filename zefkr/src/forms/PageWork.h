// The pages' work as the main form does it: the steps of the wizard that
// are built call their logic here; the others answer as failed ones.
#pragma once

#include "zefkr/Wizard.h"

class TMainForm;

namespace zefkr::forms {

class PageWork : public WizardWork {
public:
  explicit PageWork(TMainForm& form) : form_(form) {}

  int32_t SelectedCount() override;
  bool ProductListEmpty() override;

private:
  TMainForm& form_;
};

}  // namespace zefkr::forms
