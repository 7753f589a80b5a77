#include "sys/version.h"
const char kProductName[] = "Tenvelo";
const char kProductVersion[] = "0.1";
