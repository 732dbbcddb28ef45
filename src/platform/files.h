// files: the few questions the show asks the system about files, folders
// and streams (the pool's archive, snapshot and export outputs).
//
// Paths are the system's own; reasons are the system's words for a failure,
// written into the caller's buffer (truncated to its capacity).
#pragma once

#include <cstddef>
#include <cstdio>

bool fileExists(const char* path);
bool isFolder(const char* path);
// True when the path names something other than a regular file or a folder (a device, a pipe).
bool isSpecialFile(const char* path);
// Creates the folder and any missing parents (as mkdir -p); true when it exists afterwards.
bool makeFolders(const char* path, char* reason, size_t capacity);
// The working folder, for messages; "the current folder" when it cannot be read.
const char* workingFolder();
// The folder holding the running program (no trailing slash); null when the system cannot say.
const char* programFolder();
// An environment variable's value; null when unset.
const char* environmentValue(const char* name);
// True when the stream is a terminal (progress lines go only there).
bool streamIsTerminal(FILE* stream);
