// Page 4: the updates to choose.
#include "KestruneFrames.h"

#include "MainForm.h"

#include "platform/DateText.h"

#include <QLabel>
#include <QListWidget>

using zefkr::forms::messageText;

TKestruneFrame3B* KestruneFrame3B = nullptr;

namespace {
constexpr int kUpdateIndexRole = Qt::UserRole;
}  // namespace

QString zefkr::forms::updateRowCaption(const zefkr::TKRUpdateInfo& update) {
  return QString::fromStdU16String(update.name + u" [" + platform::FormatDateTime(u"dd/mm/yyyy", update.date) + u"]");
}

TKestruneFrame3B::TKestruneFrame3B(TMainForm* owner) : TKestruneFrame(owner) {
  setObjectName("KestruneFrame3B");
  Label2 = addLabel("Label2", /*title=*/true);
  Label3 = addLabel("Label3");
  DPListView = addListView();
  UpdInfoStaticText = addLabel("UpdInfoStaticText");
  UpdInfoStaticText->setFrameShape(QFrame::Panel);
  UpdInfoStaticText->setMinimumHeight(48);
  UpdInfoStaticText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  connect(DPListView, &QListWidget::currentItemChanged, this,
          [this](QListWidgetItem* item) { DPListViewChange(item); });
  connect(DPListView, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) { tickChanged(item); });
}

void TKestruneFrame3B::InitPage() {
  Label2->setText(messageText(1500));
  Label3->setText(messageText(1501));
  UpdInfoStaticText->clear();
  const zefkr::TKRUpdateInfoList& updates = *mainForm()->UpdateInfos;
  const QSignalBlocker quiet(DPListView);
  for (int32_t i = 0; i < updates.count; ++i) {
    const zefkr::TKRUpdateInfo& update = updates.items[static_cast<size_t>(i)];
    auto* item = new QListWidgetItem(zefkr::forms::rowImage(0), zefkr::forms::updateRowCaption(update), DPListView);
    item->setData(kUpdateIndexRole, i);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(update.selected ? Qt::Checked : Qt::Unchecked);
  }
}

void TKestruneFrame3B::DPListViewChange(QListWidgetItem* item) {
  if (!item) return;
  const int32_t index = item->data(kUpdateIndexRole).toInt();
  const zefkr::TKRUpdateInfoList& updates = *mainForm()->UpdateInfos;
  if (index < 0 || index >= updates.count) return;
  const std::u16string& note = updates.items[static_cast<size_t>(index)].note;
  UpdInfoStaticText->setText(note.empty() ? messageText(1502) : QString::fromStdU16String(note));
}

void TKestruneFrame3B::tickChanged(QListWidgetItem* item) {
  zefkr::TKRUpdateInfoList& updates = *mainForm()->UpdateInfos;
  const int32_t touched =
      SetSelectedWithDependants(updates, item->data(kUpdateIndexRole).toInt(), item->checkState() == Qt::Checked);
  if (touched < 2) return;
  // The choice moved other updates of the product: every tick again.
  const QSignalBlocker quiet(DPListView);
  for (int row = 0; row < DPListView->count(); ++row) {
    QListWidgetItem* each = DPListView->item(row);
    const int32_t index = each->data(kUpdateIndexRole).toInt();
    if (index < 0 || index >= updates.count) continue;
    each->setCheckState(updates.items[static_cast<size_t>(index)].selected ? Qt::Checked : Qt::Unchecked);
  }
}
