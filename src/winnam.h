// SPDX-FileCopyrightText: 2026 The spantally authors
// SPDX-License-Identifier: MIT
// Windows only: names from the command line, as Windows hands them over,
// shown on its console and opened as files; standard input as bytes.
#ifndef WINNAM_H
#define WINNAM_H

#include <cstdio>
#include <cwchar>

// The UTF-16 command line as UTF-8 arguments, for the run; nullptr: no storage.
char **GetArgs(int argc, wchar_t *wargv[]);

// A name as the console shows text: in its code page, with a ? for each
// character the code page lacks. Valid until the next call.
const char *ShwNam(const char *nam);

// Open the file of a UTF-8 name for appending, by its Unicode name.
FILE *OpnNam(const char *nam);

bool IsTty(int fd);

// A pipe or file read as bytes, as on Linux; the console keeps Ctrl+Z.
void SetBin();

#endif
