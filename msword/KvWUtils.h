// Small facilities of the readers: the compound-file stream adapter and the zip
// signature test.
#pragma once

#include "msword/storage/OleStream.h"
#include "msword/zip/ZipSignature.h"
