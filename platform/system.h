#pragma once

// The operating system's services under the process calls and the data lookup: one
// implementation for each system, in posix/ and win32/. Not for use outside platform/.

#include <string>

class Backend;

// A run of the program that only serves another run of it (a message box drawn in a process
// of its own): true, with its exit code, when this run was one and has done its work.
bool RunAsHelperProcess(int argc, char** argv, Backend& backend, int* exitCode);

// From now on each of the system's requests to end the program calls NoteCloseRequest: the
// signals SIGINT, SIGTERM and SIGHUP, or Windows' console Ctrl+C, Ctrl+Break and close.
void RouteCloseRequests();

// The file of the running program; empty when unknown.
std::string RunningExecutable();

// The names the user knows the first two places the data is looked for by: the data folder
// under the current folder, and the environment variable of that name.
std::string CurrentDataFolderName();
std::string VariableName(const char* name);
