// The subcommands of mdbtool; each lives in its own file and is listed in main.cpp's table.
#pragma once

#include <cstdio>
#include <vector>

#include "platform/platform.h"

namespace mdbtool {

using text::Text;

// Arguments after the subcommand name. Output goes to stdout; a failure throws (text::Error or
// a subclass) and main prints it.
using Args = std::vector<Text>;

int runTables(plat::Platform& fs, const Args& args);
int runSchema(plat::Platform& fs, const Args& args);
int runExport(plat::Platform& fs, const Args& args);
int runCreate(plat::Platform& fs, const Args& args);
// runCreate's work: the new database at path.
int createFile(plat::Platform& fs, const Text& path);
int runMerge(plat::Platform& fs, const Args& args);
int runImport(plat::Platform& fs, const Args& args);
// runImport's work, with the JSON Lines read from `in`.
int importInto(plat::Platform& fs, const Text& path, const Text& table, FILE* in);
int runCheck(plat::Platform& fs, const Args& args);

// Throws a usage error unless the argument count lies in [min, max].
void requireArgs(const Args& args, size_t min, size_t max, const char* usage);

}  // namespace mdbtool
