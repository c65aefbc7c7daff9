/* Stands in for Windows' driverquery.exe, which Wine lacks: prints the
 * table header and then each line of the file named by the environment
 * variable TARNWICK_TEST_DRIVER_LIST (nothing more when it is unset or
 * missing). TARNWICK_TEST_DRIVERQUERY_MS, when set, makes it take that long,
 * as the real one does while it asks every driver. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int main(void) {
    char path[MAX_PATH], delay[32];
    if (GetEnvironmentVariableA("TARNWICK_TEST_DRIVERQUERY_MS", delay, sizeof delay) > 0) Sleep(atoi(delay));
    printf("\nModule Name  Display Name           Driver Type   Link Date\n"
           "============ ====================== ============= ======================\n");
    if (GetEnvironmentVariableA("TARNWICK_TEST_DRIVER_LIST", path, sizeof path) == 0) return 0;
    FILE* list = fopen(path, "r");
    if (list == NULL) return 0;
    char line[512];
    while (fgets(line, sizeof line, list) != NULL) fputs(line, stdout);
    fclose(list);
    return 0;
}
