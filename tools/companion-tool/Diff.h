// `diff OLD NEW FLEET`, the table part: the rows added, removed and changed
// between two libraries. A row is known by its table, its board (or, in the
// model list, its model) and its place among that board's rows, so moving a
// row past other boards' rows is no change.
#pragma once

#include "tools/companion-tool/Release.h"
#include "tools/companion-tool/Report.h"

namespace Korvane::PC::Tarnwick::Companion {

// Columns: table, change (added, removed, changed), board, old line,
// new line, what (the fields that differ, old -> new; all fields of an added
// or removed row).
Report DiffTables(const Release& oldRelease, const Release& newRelease);

}  // namespace Korvane::PC::Tarnwick::Companion
