#pragma once
// "records DIR": creates a file record for every .mp3 file below DIR, as the
// playlist does when a folder is added, and reports the rate. The last line
// printed is "N records in S s: R files/s".

#include <iosfwd>
#include <string>

int RunRecordsBench(const std::string& folder, std::ostream& out);
