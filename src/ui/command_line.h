#pragma once
// The command line as a list of paths: how a start hands its arguments to the running player
// (the record with dwData 563: the tokens one after another, each ended by one NUL, the list
// ended by an empty token, as UTF-16LE bytes).
#include <string>
#include <vector>

namespace vl {

// The tokens of commandLine in a zero-filled buffer of commandLine.size() + 2 characters:
// a token in double quotes may hold spaces; two spaces between tokens are one separator, a
// third one makes an empty token (which ends the list for the reader).
std::wstring TokenizeCommandLine(const std::wstring& commandLine);
// The record's bytes; empty for an empty command line (then nothing is sent).
std::string BuildCommandLineRecord(const std::wstring& commandLine);
// The tokens of a record up to the first empty token or the end of the bytes.
std::vector<std::wstring> ReadCommandLineRecord(const std::string& bytes);
// Program arguments as one command line: arguments with a space are quoted; empty ones and
// arguments holding a double quote (which the list cannot carry) are left out.
std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments);

}  // namespace vl
