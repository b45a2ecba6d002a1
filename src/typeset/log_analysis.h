// The errors-and-warnings list of a finished run, read from the engine's log: errors
// (the "!" messages and "FILE:LINE:" messages of file-line-error runs), warnings (LaTeX,
// class, package and font warnings, among them undefined references and citations)
// and bad boxes (overfull and underfull boxes with their source line ranges). Each
// entry names the input file that was open when the engine wrote it, which the log's
// parentheses tell.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quirn {

enum class LogEntryKind { Error, Warning, BadBox };

struct LogEntry {
    LogEntryKind kind = LogEntryKind::Error;
    std::string file;  // as the engine named it, without a leading "./"; may be empty
    int line = 0;      // 1-based, 0 when the log gives none
    int lastLine = 0;  // the end of a bad box's line range (= line for a single line)
    std::string text;  // the message on one line
};

// "error", "warning" or "badbox".
const char* LogEntryKindName(LogEntryKind kind);

// The entries of a whole log, in the order the engine wrote them.
std::vector<LogEntry> AnalyseLog(std::string_view log);

// The entry as one line: "KIND: FILE:LINE: TEXT" (the line part left out when the log
// gives none, the file part when no file was open).
std::string FormatLogEntry(const LogEntry& entry);

}  // namespace quirn
