// The document's name per language, as both editors edit it: a language combo box, a name field
// and the 20 name entries of the document.
#pragma once

#include <array>
#include <cstdint>

#include "engine/files/infofile.h"

class QComboBox;
class QLineEdit;

namespace appcommon {

using TNameTable = std::array<TLanguageName, 20>;

// The entry of the selected language (NameEntryIndex over the combo's count, text and item).
int32_t LanguageEntry(const TNameTable& names, const QComboBox* language);
// After a key in the name field: with no language selected, item 0 is selected; then the entry of
// the selected language takes the field's text and the combo's text, each cut to 40 characters.
// Without such an entry nothing is stored.
void StoreEditedName(TNameTable& names, QComboBox* language, const QLineEdit* name);
// The name field shows the entry of the selected language; empty without such an entry.
void ShowLanguageName(const TNameTable& names, const QComboBox* language, QLineEdit* name);

}  // namespace appcommon
