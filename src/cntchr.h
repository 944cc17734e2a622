// SPDX-FileCopyrightText: 2026 The spantally authors
// SPDX-License-Identifier: MIT
#ifndef CNTCHR_H
#define CNTCHR_H

// Count how many bytes of the text equal chr, up to the terminator.
int CntChr(const char *txt, char chr);

#endif
