// The merge done the plain way, as a yardstick for the installer's indexed one: every lookup is
// a scan from the first row (of the package table for each previous row, of the destination for
// each package row), and every trace line is built from the rows the scans pass. It logs through
// the window and creates the destination with its MDBCreate, so its log and its result compare
// line for line and row for row with TForm1::CopyMdb's.
#pragma once

#include "app/form1.h"

namespace accdbtest {

bool referenceCopyMdb(app::TForm1& form, const text::Text& nw, const text::Text& od,
                      const text::Text& dn);

}  // namespace accdbtest
