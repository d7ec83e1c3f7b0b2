// Page 1: the installed products.
#include "KestruneFrames.h"

#include "MainForm.h"

#include <QLabel>
#include <QListWidget>

using zefkr::forms::messageText;

TKestruneFrame1* KestruneFrame1 = nullptr;

TKestruneFrame1::TKestruneFrame1(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame1");
  Label2 = addLabel("Label2", /*title=*/true);
  Label3 = addLabel("Label3");
  DPListView = addListView();
  Label4 = addLabel("Label4");
}

void TKestruneFrame1::InitPage() {
  Label2->setText(messageText(1200));
  Label3->setText(messageText(1201));
  Label4->setText(messageText(1202));
  // One row per product found on this computer.
  const zefkr::TKRDetectedProductList& products = *mainForm()->DetectedProducts;
  for (int32_t i = 0; i < products.count; ++i) {
    const zefkr::TKRDetectedProduct& product = products.items[static_cast<size_t>(i)];
    if (!product.found) continue;
    auto* item = new QListWidgetItem(zefkr::forms::rowImage(0), QString::fromStdU16String(product.caption), DPListView);
    (void)item;
  }
}
