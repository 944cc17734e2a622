/* The least a prompting line reader can do: a " > " prompt flushed before
   each read, each line read with fgets and written twice (as a run with a
   report file writes it), until an empty line or the end of input. */
#include <stdio.h>

int main(void)
{
    char line[128];

    for (;;) {
        fputs(" > ", stdout);
        fflush(stdout);
        if (fgets(line, sizeof line, stdin) == NULL || line[0] == '\n')
            break;
        fputs(line, stdout);
        fputs(line, stdout);
    }
    return 0;
}
