#pragma once

#include "DirLister.h"

#include <string>

namespace qv {

// A lister of the directories an export holds, for the detail list of an imported tree: opening one
// reads the export from its start up to the end of that directory and lists what the export gives for
// it (never the directory of that name on this machine). A directory the export does not hold, marks
// unreadable, or an export that can't be read, can't be listed.
class ExportDirectory : public DirLister
{
public:
    explicit ExportDirectory(std::string exportpath);

    std::unique_ptr<DirListing> open(const std::string& path) override;
    std::unique_ptr<DirLister> another() override;

private:
    std::string m_export;
};

} // namespace qv
