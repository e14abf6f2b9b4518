// Version of the library and its tools.
#pragma once

#define KVWORD_VERSION_STRING "1.48"
