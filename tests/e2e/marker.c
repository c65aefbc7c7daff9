/* A program that must never run: when it does, it appends its own path to
 * "marker-ran.txt" beside itself and exits with 0 (which a findstr caller
 * would read as "found"). */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    char self[MAX_PATH], record[MAX_PATH + 32];
    DWORD n = GetModuleFileNameA(NULL, self, MAX_PATH);
    if (n == 0 || n == MAX_PATH) return 0;
    strcpy(record, self);
    char* slash = strrchr(record, '\\');
    if (slash != NULL) strcpy(slash + 1, "marker-ran.txt");
    FILE* out = fopen(record, "a");
    if (out != NULL) {
        fprintf(out, "%s\n", self);
        fclose(out);
    }
    return 0;
}
