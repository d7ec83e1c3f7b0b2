// The main form's page work.
#include "PageWork.h"

#include "MainForm.h"

int32_t zefkr::forms::PageWork::SelectedCount() { return form_.UpdateInfos->SelectedCount(); }

bool zefkr::forms::PageWork::ProductListEmpty() { return form_.DetectedProducts->count == 0; }
