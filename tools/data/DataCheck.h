// Loading every file of a binary data directory with its store class and checking the content
// constraints the engine's rules rely on.
#pragma once

#include <string>
#include <vector>

namespace kxdata {

struct CheckLine {
    std::string file;     // path relative to the data directory
    bool ok = true;
    std::string summary;  // counts and totals, or the failures
};

// Checks the data directory dataDir (the folder that holds Configure.xml). Returns the number of
// failed files; one line per file in report. The detection model is checked by the library's own
// detector: it is installed as the process's model for the check and unloaded afterwards. With
// bShipped the field and user dictionaries that Configure.xml switches on must be present (a test
// fixture may lack them).
int CheckDataDirectory(const std::string& dataDir, std::vector<CheckLine>& report, bool bShipped = false);

}  // namespace kxdata
