// The editors' text conversion at the Qt boundary (apps/common/wintext.h), as vadrel names it.
#pragma once

#include "apps/common/wintext.h"

namespace vadrel {

using appcommon::FromWinText;
using appcommon::ToWinText;

}  // namespace vadrel
