// The document files along the bottom of both editors: a hidden list of the work folder's file
// names and the choice of "head (file name)" items that "Load it" loads from.
#pragma once

#include <string>
#include <vector>

#include "engine/files/infofile.h"

class QComboBox;
class QListWidget;

namespace appcommon {

// Fills both lists with the entries, nothing selected in the choice; each item keeps its file
// name, so any name loads, also one with "(" in it.
void FillDocumentList(QListWidget* files, QComboBox* items, const std::vector<InfoListEntry>& entries);
// The file name of the selected item (its kept name, else read from its text); "" with none selected.
std::string SelectedDocumentFile(const QComboBox* items);

}  // namespace appcommon
