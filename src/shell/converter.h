#pragma once
#include "data/dialogs.h"
#include "data/text_exchange.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace demovia {

namespace fs = std::filesystem;

// How one kind of text file is restructured: reading starts at line
// firstLine, the first keyFields fields are written once per output line and
// linesPerGroup consecutive records become one line. Values below 1 count as 1.
struct ConversionSettings {
    int firstLine = 1;
    int keyFields = 1;
    int linesPerGroup = 2;
};

// The one kind of file the converter offers: a population projection.
inline ConversionSettings populationProjectionSettings() { return {1, 1, 2}; }

// The records of a file's text, one per non-blank line from line firstLine
// on; lines end with CR LF, LF or CR. A line of more than 200 fields throws
// Error (cutting it would silently drop data).
std::vector<FieldArray> readRecords(std::string_view text, int firstLine);

// The output lines (without line ends) for records already known to be a
// whole number of groups. Each line starts with its own group's key: the
// first keyFields fields of the group's first record, each followed by ';'.
// Then, position by position, the fields of the group's records in order,
// each followed by ';'; an empty field ends that position for the group.
std::vector<std::string> combineRecords(const std::vector<FieldArray>& records, const ConversionSettings& s);

// Rewrites the file in place; true when it was replaced. Messages go through
// dialogs, progress texts through status. The file is never left without its
// data: the result is written to {file}.tmp and renamed over the file.
bool convertTextFile(const std::string& fileName, const ConversionSettings& s, Dialogs& dialogs,
                     const std::function<void(const std::string&)>& status = {});

} // namespace demovia
