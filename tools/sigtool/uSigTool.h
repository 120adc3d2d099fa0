#pragma once

// The command-line companion of the program: engine runs and data-file work without a window.

#include <QStringList>

#include <cstdio>

// Runs one command line (args without the program name). Output goes to out, one-line messages to err.
// Returns the process exit status: 0 on success, 1 on any failure, 2 on a usage error.
int RunSigTool(const QStringList& args, std::FILE* out, std::FILE* err);
