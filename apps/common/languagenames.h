// The name of the edited object per language, as both editors keep it: a table of (language,
// name) entries, the language combo that chooses the entry and the name edit that shows it.
#pragma once

#include <span>

#include "engine/files/vehiclefile.h"

class QComboBox;
class QLineEdit;

namespace appcommon {

// The first entry (among as many as the combo has items) whose language is the combo's text;
// else the combo's item index, which may lie outside the table (-1 with no language selected).
int LanguageIndex(std::span<const TLanguageName> table, const QComboBox* language);
// After a key in the name edit: the first language is selected when none is, then the entry of
// LanguageIndex takes the edit's text and the combo's text, each cut to its field. An index
// outside the table stores nothing.
void StoreLanguageName(std::span<TLanguageName> table, QComboBox* language, const QLineEdit* name);
// After a change of language: the edit shows the entry's name; an index outside the table shows
// an empty name.
void ShowLanguageName(std::span<const TLanguageName> table, const QComboBox* language, QLineEdit* name);

}  // namespace appcommon
