// The merge done the plain way, as a yardstick for the installer's indexed one: every lookup is
// a scan from the first row (of the package table for each previous row, of the destination for
// each package row), and every trace line is built from the rows the scans pass. It logs to the
// sink it is given and creates the destination with the installer's own creation step, so its
// log and its result compare line for line and row for row with accessorydb::mergeDatabases'.
#pragma once

#include "accessorydb/mdb_merge.h"
#include "platform/log.h"
#include "platform/platform.h"

namespace accdbtest {

bool referenceMerge(plat::Platform& platform, const accessorydb::MergeFiles& files,
                    const logs::Log& log);

}  // namespace accdbtest
