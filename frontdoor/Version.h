// The version of kvword, for the hosts' --version texts.
#pragma once

#include "msword/Version.h"  // KVWORD_VERSION_STRING
