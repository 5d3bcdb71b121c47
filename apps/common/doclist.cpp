#include "apps/common/doclist.h"

#include <QComboBox>
#include <QListWidget>
#include <QVariant>

#include "apps/common/wintext.h"

namespace appcommon {

void FillDocumentList(QListWidget* files, QComboBox* items, const std::vector<InfoListEntry>& entries) {
  files->clear();
  items->clear();
  for (const InfoListEntry& e : entries) {
    const QString file = FromWinText(e.fileName);
    files->addItem(file);
    items->addItem(FromWinText(InfoListItemText(e)), file);
  }
  items->setCurrentIndex(-1);
}

std::string SelectedDocumentFile(const QComboBox* items) {
  const int item = items->currentIndex();
  if (item < 0) return {};
  const QVariant data = items->itemData(item);
  return data.isValid() ? ToWinText(data.toString()) : FileNameOfListItem(ToWinText(items->itemText(item)));
}

}  // namespace appcommon
