// Loaded with LD_PRELOAD: open() with O_TMPFILE fails with EOPNOTSUPP, as it does on CIFS and NFS
// shares and vfat sticks, so a test reaches what the program does on such a folder. With
// QUORVANE_NO_RENAME_NOREPLACE set, renameat2() with RENAME_NOREPLACE fails with EINVAL too, as on
// an NFS share. Every other call goes to the C library as it is.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>

namespace {

using OpenFunction = int (*)(const char*, int, ...);
using OpenAtFunction = int (*)(int, const char*, int, ...);
using RenameAtFunction = int (*)(int, const char*, int, const char*, unsigned int);

bool IsTmpfile(int flags) {
    return (flags & O_TMPFILE) == O_TMPFILE;
}

bool TakesMode(int flags) {
    return (flags & O_CREAT) != 0 || IsTmpfile(flags);
}

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (TakesMode(flags)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    if (IsTmpfile(flags)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    static const OpenFunction next = Next<OpenFunction>("open");
    return next(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (TakesMode(flags)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    if (IsTmpfile(flags)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    static const OpenFunction next = Next<OpenFunction>("open64");
    return next(path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (TakesMode(flags)) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    if (IsTmpfile(flags)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    static const OpenAtFunction next = Next<OpenAtFunction>("openat");
    return next(folder, path, flags, mode);
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags) {
    if ((flags & RENAME_NOREPLACE) != 0 && std::getenv("QUORVANE_NO_RENAME_NOREPLACE") != nullptr) {
        errno = EINVAL;
        return -1;
    }
    static const RenameAtFunction next = Next<RenameAtFunction>("renameat2");
    return next(fromFolder, from, toFolder, to, flags);
}

} // extern "C"
