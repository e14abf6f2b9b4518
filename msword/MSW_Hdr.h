// The binary Word records: the File Information Block, the piece table, the
// property pages and the VBA project items.
#pragma once

#include "msword/FIB.h"
#include "msword/FormattedDiskPage.h"
#include "msword/PieceTable.h"
#include "msword/VBAProject.h"
