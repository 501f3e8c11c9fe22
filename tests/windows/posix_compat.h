// The POSIX calls the shared test support uses that Windows' C library lacks, for the Windows build.
#pragma once

#include <stdlib.h>

// glibc's name of the running program, for the repeat-with hints of failing tests.
#define program_invocation_name (__argv[0])

#ifdef __cplusplus
extern "C" {
#endif
// Makes a new folder from a template ending in "XXXXXX", which it fills in; null when none can be made.
char* mkdtemp(char* pathTemplate);
#ifdef __cplusplus
}
#endif
