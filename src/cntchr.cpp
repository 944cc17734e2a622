// SPDX-FileCopyrightText: 2026 The spantally authors
// SPDX-License-Identifier: MIT
#include "cntchr.h"

int CntChr(const char *txt, char chr)
{
    int cnt = 0;

    for (; *txt != '\0'; txt++)
        if (*txt == chr)
            cnt++;
    return cnt;
}
