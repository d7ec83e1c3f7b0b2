// Page 2: the search, login and update list, with progress.
#include "KestruneFrames.h"

#include "MainForm.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

using zefkr::forms::messagesJoined;
using zefkr::forms::messageText;

TKestruneFrame2* KestruneFrame2 = nullptr;

TKestruneFrame2::TKestruneFrame2(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame2");
  Label2 = addLabel("Label2", /*title=*/true);
  Label3 = addLabel("Label3");
  DPListView = addListView();
  ProgressLabel = addLabel("ProgressLabel");
  ProgressBar1 = addProgressBar();
}

void TKestruneFrame2::InitPage() {
  Label2->setText(messageText(1300));
  Label3->setText(messagesJoined(1301, 1302));
  ProgressLabel->setText(messageText(1303));
  ProgressBar1->setValue(1);
  const zefkr::TKRDetectedProductList& products = *mainForm()->DetectedProducts;
  for (int32_t i = 0; i < products.count; ++i) {
    const zefkr::TKRDetectedProduct& product = products.items[static_cast<size_t>(i)];
    if (!product.found) continue;
    new QListWidgetItem(zefkr::forms::rowImage(0), QString::fromStdU16String(product.caption), DPListView);
  }
  DPListView->sortItems();
}
