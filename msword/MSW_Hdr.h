// The binary Word records: the File Information Block, the piece table, the
// property pages and the VBA project items.
#pragma once

#include "msword/doc/FIB.h"
#include "msword/doc/FormattedDiskPage.h"
#include "msword/doc/PieceTable.h"
#include "msword/vba/VBAProject.h"
