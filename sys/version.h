#pragma once
// The product's name and version as shown to the user and written in files.
extern const char kProductName[];
extern const char kProductVersion[];
