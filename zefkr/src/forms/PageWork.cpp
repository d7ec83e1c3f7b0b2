// The main form's page work.
#include "PageWork.h"

#include "FrameProgress.h"
#include "KestruneFrames.h"
#include "MainForm.h"

#include "zefkr/Installation.h"
#include "zefkr/Language.h"
#include "zefkr/RunningProcesses.h"

#include <QLabel>
#include <QProgressBar>

zefkr::forms::PageWork::PageWork(TMainForm& form) : form_(form) {}

zefkr::forms::PageWork::~PageWork() = default;

std::unique_ptr<zefkr::UpdateServerConversation> zefkr::forms::PageWork::conversation() {
  return std::make_unique<UpdateServerConversation>(
      form_.session(), *form_.DetectedProducts, *form_.UpdateInfos, form_.FNetSession, form_.serverAddresses(), form_,
      form_.windowTitle().toStdU16String(), zefkr::programFolder(nullptr));
}

bool zefkr::forms::PageWork::SaveChoices() { return KestruneFrame0 ? KestruneFrame0->SaveChoices() : true; }

int32_t zefkr::forms::PageWork::Login() {
  if (!KestruneFrame2) return -1;
  FrameProgress view(KestruneFrame2, KestruneFrame2->ProgressLabel, KestruneFrame2->ProgressBar1,
                     KestruneFrame2->DPListView, nullptr);
  return conversation()->Login(view);
}

int32_t zefkr::forms::PageWork::DownloadUpdateList() {
  if (!KestruneFrame2) return -1;
  FrameProgress view(KestruneFrame2, KestruneFrame2->ProgressLabel, KestruneFrame2->ProgressBar1,
                     KestruneFrame2->DPListView, nullptr);
  return conversation()->DownloadUpdateList(view);
}

int32_t zefkr::forms::PageWork::DownloadUpdates() {
  if (!KestruneFrame4) return -1;
  FrameProgress view(KestruneFrame4, KestruneFrame4->ProgressLabel, KestruneFrame4->ProgressBar1,
                     KestruneFrame4->DPListView, KestruneFrame4->PercSizeLabel);
  running_ = conversation();
  const int32_t result = running_->DownloadUpdates(view);
  running_.reset();
  return result;
}

void zefkr::forms::PageWork::InstallUpdates() {
  if (!KestruneFrame4) return;
  FrameProgress view(KestruneFrame4, KestruneFrame4->ProgressLabel, KestruneFrame4->ProgressBar1,
                     KestruneFrame4->DPListView, KestruneFrame4->PercSizeLabel);
  zefkr::InstallUpdates(form_.session(), *form_.UpdateInfos, view, form_, form_.windowTitle().toStdU16String());
}

int32_t zefkr::forms::PageWork::RunningProgramCount() { return KRFindRunningProductProcesses(*form_.UpdateInfos); }

int32_t zefkr::forms::PageWork::SelectedCount() { return form_.UpdateInfos->SelectedCount(); }

bool zefkr::forms::PageWork::ProductListEmpty() { return form_.DetectedProducts->count == 0; }
