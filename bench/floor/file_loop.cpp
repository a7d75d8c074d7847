// The floor the whole-process benchmark measures setup.exe against: a program that does
// nothing but copy or delete the files, one bare call each, and imports kernel32 only.
//   file_loop copy PACKAGE FIRST COUNT FOLDER   data file FIRST + i to FOLDER\file<i>.bin
//   file_loop delete FOLDER COUNT               FOLDER\file<i>.bin
// The exit code is the number of calls that failed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    char from[MAX_PATH];
    char to[MAX_PATH];
    int failures = 0;
    if (argc == 6 && std::strcmp(argv[1], "copy") == 0) {
        const int first = std::atoi(argv[3]);
        const int count = std::atoi(argv[4]);
        for (int i = 0; i < count; ++i) {
            std::snprintf(from, sizeof from, "%s\\%08d", argv[2], first + i);
            std::snprintf(to, sizeof to, "%s\\file%d.bin", argv[5], i);
            if (!CopyFileA(from, to, FALSE)) ++failures;
        }
        return failures;
    }
    if (argc == 4 && std::strcmp(argv[1], "delete") == 0) {
        const int count = std::atoi(argv[3]);
        for (int i = 0; i < count; ++i) {
            std::snprintf(to, sizeof to, "%s\\file%d.bin", argv[2], i);
            if (!DeleteFileA(to)) ++failures;
        }
        return failures;
    }
    std::fprintf(stderr, "usage: file_loop copy PACKAGE FIRST COUNT FOLDER | delete FOLDER COUNT\n");
    return -1;
}
