// windows_env.h: setenv for the tests cross-built for Windows, whose C library has only
// _putenv_s. Included ahead of every test source there.
#pragma once

#include <stdlib.h>

inline int setenv(const char *name, const char *value, int overwrite)
{
    if (!overwrite && getenv(name) != nullptr) {
        return 0;
    }
    return _putenv_s(name, value);
}
