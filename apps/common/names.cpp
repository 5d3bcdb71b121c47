#include "apps/common/names.h"

#include <QComboBox>
#include <QLineEdit>

#include "apps/common/wintext.h"

namespace appcommon {

int32_t LanguageEntry(const TNameTable& names, const QComboBox* language) {
  return NameEntryIndex(names, language->count(), ToWinText(language->currentText()), language->currentIndex());
}

void StoreEditedName(TNameTable& names, QComboBox* language, const QLineEdit* name) {
  if (language->currentIndex() < 0 && language->count() > 0) language->setCurrentIndex(0);
  const int32_t i = LanguageEntry(names, language);
  if (!NameEntryExists(i)) return;  // no entry to store the name in
  TLanguageName& entry = names[static_cast<size_t>(i)];
  entry.Name = ToWinText(name->text());
  entry.Language = ToWinText(language->currentText());
}

void ShowLanguageName(const TNameTable& names, const QComboBox* language, QLineEdit* name) {
  const int32_t i = LanguageEntry(names, language);
  name->setText(NameEntryExists(i) ? FromWinText(names[static_cast<size_t>(i)].Name.str()) : QString());
}

}  // namespace appcommon
