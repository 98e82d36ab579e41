#pragma once

#include "QVMakeTree.h"

namespace qv {

// The scan thread's Importer: runimport() of file, with the export's cluster size (or the one derived
// from it) and the window's what-if size. Its end line names what is shown in place of the free space,
// which would be this machine's: "Scan of /srv taken 2026-12-01 14:03 by ncdu 1.18" (the time in UTC;
// the parts the export does not give are left out).
ImportedTree importtree(const std::string& file, RecordArena& arena, ScanSink& sink,
    const std::atomic<std::int32_t>& scanabort, const std::atomic<std::int32_t>& whatifkb);

// The end line of an import of an export with this root and header.
std::string importendline(std::string_view root, const struct ExportHeader& header);

} // namespace qv
