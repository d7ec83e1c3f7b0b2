// The pages' work as the main form does it: each step calls its logic with
// the page that shows it; steps not built yet answer as failed ones.
#pragma once

#include "zefkr/UpdateServer.h"
#include "zefkr/Wizard.h"

#include <memory>

class TMainForm;

namespace zefkr::forms {

class PageWork : public WizardWork {
public:
  explicit PageWork(TMainForm& form);
  ~PageWork() override;

  bool SaveChoices() override;
  int32_t Login() override;
  int32_t DownloadUpdateList() override;
  int32_t DownloadUpdates() override;
  void InstallUpdates() override;
  int32_t RunningProgramCount() override;
  int32_t SelectedCount() override;
  bool ProductListEmpty() override;

  // The conversation of the running download, for the page's progress
  // timer; null between downloads.
  UpdateServerConversation* runningConversation() { return running_.get(); }

private:
  std::unique_ptr<UpdateServerConversation> conversation();

  TMainForm& form_;
  std::unique_ptr<UpdateServerConversation> running_;
};

}  // namespace zefkr::forms
