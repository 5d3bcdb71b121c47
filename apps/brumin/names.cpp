// The building's name per language: the name field edits the entry of the selected language.
#include <QComboBox>
#include <QLineEdit>

#include "apps/brumin/mainform.h"
#include "apps/common/names.h"

namespace brumin {

int32_t MainForm::LanguageIndex() const { return appcommon::LanguageEntry(NameTable, CB_Language); }

void MainForm::E_BuildingNameKeyUp() { appcommon::StoreEditedName(NameTable, CB_Language, E_BuildingName); }

void MainForm::CB_LanguageChange() { appcommon::ShowLanguageName(NameTable, CB_Language, E_BuildingName); }

}  // namespace brumin
