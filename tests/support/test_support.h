#pragma once
// Small helpers shared by the test programs.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vl::test {

std::string SourceDir();
std::string BinaryDir();
// A fresh empty folder under the system's temporary folder, removed at process exit.
std::string TempDir();
// Runs a shell command; its exit status (-1 when it could not run).
int RunCommand(const std::string& command);
// Runs a shell command and returns what it printed on stdout.
std::string CaptureCommand(const std::string& command, int* status = nullptr);
bool WriteFile(const std::string& path, const std::string& bytes);
// Starts a program (args[0] looked up in PATH) and reads its standard output until the first
// line end (at most timeoutMs); the child's id (-1 when it could not start) and that line.
// The caller ends the child (StopChild).
int StartChild(const std::vector<std::string>& args, std::string& firstLine, int timeoutMs = 20000);
void StopChild(int& pid);
std::string ReadFile(const std::string& path);
// Polls done every few milliseconds until it holds (true) or timeoutMs have passed (false).
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

}  // namespace vl::test
