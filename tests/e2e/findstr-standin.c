/* Stands in for findstr.exe (Wine 8's exits 0 even without a match): prints
 * each line of standard input that contains the last argument, case-
 * sensitively and anywhere in the line; exits 0 when a line matched, 1
 * otherwise, as Windows' own does. */
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* needle = argv[argc - 1];
    char line[4096];
    int found = 0;
    while (fgets(line, sizeof line, stdin) != NULL) {
        if (strstr(line, needle) != NULL) {
            fputs(line, stdout);
            found = 1;
        }
    }
    return found ? 0 : 1;
}
