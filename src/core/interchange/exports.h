#pragma once
// The three exports. Each builds a line list from the roster (element 0, the
// placeholder, is never written) and writes it atomically with CR LF line ends.

#include <string>

#include "settings/exportoptions.h"
#include "interchange/linelist.h"
#include "roster/charrecord.h"

namespace qvr {

// 31 fields per character; a name or memo holding a comma, double quote, CR or LF
// is quoted with doubled inner quotes, every other field stays as it is.
LineList csvLines(const Roster& roster);

// The head template's lines, then the table. Throws errListIndex for an id or
// wtype outside its list.
LineList htmlLines(const LineList& head, const Roster& roster, const ExportOptions& options);

LineList xmlLines(const Roster& roster, const ExportOptions& options);

// True when an export must not replace the file at the path: an existing file
// that the roster reader accepts whole, or whose name ends in ".pd3" or ".pd2"
// in any letter case. The shared file dialog offers the last roster's name.
bool isProtectedRosterFile(const std::string& path);

// Throw errRosterNotReplaced for a protected roster file before anything else,
// then errCannotCreate or errWrite; the HTML export first reads the head
// template (errCannotOpen naming it) and touches no file when anything fails.
void exportCsv(const std::string& path, const Roster& roster);
void exportHtml(const std::string& path, const Roster& roster, const ExportOptions& options,
    const std::string& headPath = "defhead.htm");
void exportXml(const std::string& path, const Roster& roster, const ExportOptions& options);

} // namespace qvr
