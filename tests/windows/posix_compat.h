// The POSIX calls the shared test support uses that Windows' C library lacks, for the Windows build.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif
// Makes a new folder from a template ending in "XXXXXX", which it fills in; null when none can be made.
char* mkdtemp(char* pathTemplate);
#ifdef __cplusplus
}
#endif
