#include "apps/common/languagenames.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

#include "apps/common/wintext.h"

namespace appcommon {

namespace {

bool Inside(std::span<const TLanguageName> table, int i) { return i >= 0 && static_cast<size_t>(i) < table.size(); }

}  // namespace

int LanguageIndex(std::span<const TLanguageName> table, const QComboBox* language) {
  const std::string text = ToWinText(language->currentText());
  const int n = std::min<int>(language->count(), static_cast<int>(table.size()));
  for (int i = 0; i < n; ++i)
    if (table[static_cast<size_t>(i)].Language.str() == text) return i;
  return language->currentIndex();
}

void StoreLanguageName(std::span<TLanguageName> table, QComboBox* language, const QLineEdit* name) {
  if (language->currentIndex() < 0 && language->count() > 0) language->setCurrentIndex(0);
  const int i = LanguageIndex(table, language);
  if (!Inside(table, i)) return;  // no entry to store the name in
  TLanguageName& entry = table[static_cast<size_t>(i)];
  entry.Name = ToWinText(name->text());
  entry.Language = ToWinText(language->currentText());
}

void ShowLanguageName(std::span<const TLanguageName> table, const QComboBox* language, QLineEdit* name) {
  const int i = LanguageIndex(table, language);
  name->setText(Inside(table, i) ? FromWinText(table[static_cast<size_t>(i)].Name.str()) : QString());
}

}  // namespace appcommon
