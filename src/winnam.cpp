// SPDX-FileCopyrightText: 2026 The spantally authors
// SPDX-License-Identifier: MIT
#include "winnam.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace {

// Windows hands over its command line as UTF-16. The program carries it as
// UTF-8, with a lone surrogate kept as its own three bytes (as WTF-8 does),
// so that every name Windows allows comes back to it unchanged. Plain C
// storage: the C++ containers would bring the runtime's exception handling
// into a program that has no use for it (seven times its size).
char *CnvWid(const wchar_t *w)
{
    // (at most three bytes a UTF-16 unit)
    auto s = static_cast<char *>(malloc(wcslen(w) * 3 + 1));
    char *p = s;
    for (; s != nullptr && *w != L'\0'; w++) {
        unsigned long c = static_cast<unsigned short>(*w);
        unsigned long nxt = static_cast<unsigned short>(w[1]);
        if (c >= 0xD800 && c < 0xDC00 && nxt >= 0xDC00 && nxt < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (nxt - 0xDC00);
            w++;
        }
        static const unsigned long lead[] = {0, 0xC0, 0xE0, 0xF0};
        int n = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        *p++ = static_cast<char>(lead[n] | c >> (6 * n));
        while (n-- > 0)
            *p++ = static_cast<char>(0x80 | (c >> (6 * n) & 0x3F));
    }
    if (s != nullptr)
        *p = '\0';
    return s;
}

wchar_t *CnvNar(const char *s)
{
    // (at most one UTF-16 unit a byte)
    auto w = static_cast<wchar_t *>(malloc((strlen(s) + 1) * sizeof(wchar_t)));
    wchar_t *q = w;
    for (auto p = reinterpret_cast<const unsigned char *>(s); w != nullptr && *p != 0;) {
        unsigned long c = *p++;
        int n = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        c &= 0x7FUL >> n;
        for (; n > 0 && (*p & 0xC0) == 0x80; n--)
            c = c << 6 | (*p++ & 0x3FUL);
        if (c >= 0x10000) {
            *q++ = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + (c & 0x3FF);
        }
        *q++ = static_cast<wchar_t>(c);
    }
    if (w != nullptr)
        *q = L'\0';
    return w;
}

} // namespace

// The arguments live as long as the run.
char **GetArgs(int argc, wchar_t *wargv[])
{
    auto argv = static_cast<char **>(malloc((static_cast<size_t>(argc) + 1) * sizeof(char *)));
    for (int i = 0; argv != nullptr && i < argc; i++)
        if ((argv[i] = CnvWid(wargv[i])) == nullptr)
            return nullptr;
    if (argv != nullptr)
        argv[argc] = nullptr;
    return argv;
}

const char *ShwNam(const char *nam)
{
    static char *shw;
    wchar_t *w = CnvNar(nam);
    free(shw);
    shw = w == nullptr ? nullptr : static_cast<char *>(malloc(wcslen(w) * MB_LEN_MAX + 1));
    if (shw == nullptr) {
        free(w);
        return nam;
    }
    char *p = shw;
    setlocale(LC_CTYPE, "");
    for (const wchar_t *c = w; *c != L'\0'; c++) {
        std::mbstate_t st{};
        size_t n = std::wcrtomb(p, *c, &st);
        if (n == static_cast<size_t>(-1))
            *p++ = '?';
        else
            p += n;
    }
    setlocale(LC_CTYPE, "C");
    *p = '\0';
    free(w);
    return shw;
}

FILE *OpnNam(const char *nam)
{
    wchar_t *w = CnvNar(nam);
    if (w == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    FILE *f = _wfopen(w, L"a");
    int err = errno;
    free(w);
    errno = err;
    return f;
}

bool IsTty(int fd)
{
    return _isatty(fd) != 0;
}

// In text mode the C runtime ends the input at a 0x1A byte and takes CR LF
// apart itself; the program reads both line ends anyway.
void SetBin()
{
    if (!IsTty(0))
        _setmode(0, _O_BINARY);
}
