// The vehicle editor's texts of records and files convert at the window's boundary through the
// shared Windows-1252 routines.
#pragma once

#include "apps/common/wintext.h"

namespace vadrel {

using appcommon::FromWinText;
using appcommon::ToWinText;

}  // namespace vadrel
