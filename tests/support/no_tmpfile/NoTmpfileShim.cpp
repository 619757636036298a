// Loaded with LD_PRELOAD: open() with O_TMPFILE fails with EOPNOTSUPP, as it does on CIFS and NFS
// shares and vfat sticks, so a test reaches what the program does on such a folder. With
// QUORVANE_NO_RENAME_NOREPLACE set, renameat2() with RENAME_NOREPLACE fails with EINVAL too, as on
// an NFS share. With QUORVANE_NO_HARD_LINKS set, link() and linkat() fail with EPERM, as on a vfat
// stick. With QUORVANE_HOLD_AT set, the process writes one byte to the descriptor
// QUORVANE_HOLD_SIGNAL_FD when it reaches that point and then waits: for a byte on the descriptor
// QUORVANE_HOLD_RELEASE_FD when one is given (or its end), else until it is killed. The points:
// "partial-write" (the first write to a file whose name ends in ".partial"), "partial-lock" (the
// first lock that waits on such a file) and "rename" (the first rename()). Every other call goes
// to the C library as it is.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

using OpenFunction = int (*)(const char*, int, ...);
using OpenAtFunction = int (*)(int, const char*, int, ...);
using RenameAtFunction = int (*)(int, const char*, int, const char*, unsigned int);
using RenameFunction = int (*)(const char*, const char*);
using LinkFunction = int (*)(const char*, const char*);
using LinkAtFunction = int (*)(int, const char*, int, const char*, int);
using PwriteFunction = ssize_t (*)(int, const void*, size_t, off_t);
using FcntlFunction = int (*)(int, int, ...);

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

bool NoHardLinks() {
    return std::getenv("QUORVANE_NO_HARD_LINKS") != nullptr;
}

int DescriptorOf(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr ? std::atoi(value) : -1;
}

bool NamesAPartial(int fd) {
    char link[64];
    char path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = ::readlink(link, path, sizeof path - 1);
    constexpr const char* Suffix = ".partial";
    const auto suffix = static_cast<ssize_t>(std::strlen(Suffix));
    return length >= suffix && std::memcmp(path + length - suffix, Suffix, suffix) == 0;
}

// Holds the process at the point when it is the one asked for, the first time it is reached.
void HoldAt(const char* point) {
    static bool held = false;
    const char* wanted = std::getenv("QUORVANE_HOLD_AT");
    if (held || wanted == nullptr || std::strcmp(wanted, point) != 0) {
        return;
    }
    held = true;
    const int signal = DescriptorOf("QUORVANE_HOLD_SIGNAL_FD");
    const char byte = 'h';
    while (::write(signal, &byte, 1) < 0 && errno == EINTR) {
    }
    const int release = DescriptorOf("QUORVANE_HOLD_RELEASE_FD");
    if (release >= 0) {
        char got = 0;
        while (::read(release, &got, 1) < 0 && errno == EINTR) {
        }
        return;
    }
    for (;;) {
        ::pause();
    }
}

// A writer that waits for its lock on a partial file is held there first.
int HeldFcntl(FcntlFunction next, int fd, int command, void* argument) {
    if (command == F_OFD_SETLKW && NamesAPartial(fd)) {
        HoldAt("partial-lock");
    }
    return next(fd, command, argument);
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

int rename(const char* from, const char* to) {
    HoldAt("rename");
    static const RenameFunction next = Next<RenameFunction>("rename");
    return next(from, to);
}

int link(const char* from, const char* to) {
    if (NoHardLinks()) {
        errno = EPERM;
        return -1;
    }
    static const LinkFunction next = Next<LinkFunction>("link");
    return next(from, to);
}

int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    if (NoHardLinks()) {
        errno = EPERM;
        return -1;
    }
    static const LinkAtFunction next = Next<LinkAtFunction>("linkat");
    return next(fromFolder, from, toFolder, to, flags);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
    if (NamesAPartial(fd)) {
        HoldAt("partial-write");
    }
    static const PwriteFunction next = Next<PwriteFunction>("pwrite");
    return next(fd, data, size, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) {
    if (NamesAPartial(fd)) {
        HoldAt("partial-write");
    }
    static const PwriteFunction next = Next<PwriteFunction>("pwrite64");
    return next(fd, data, size, offset);
}

int fcntl(int fd, int command, ...) {
    va_list arguments;
    va_start(arguments, command);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    static const FcntlFunction next = Next<FcntlFunction>("fcntl");
    return HeldFcntl(next, fd, command, argument);
}

int fcntl64(int fd, int command, ...) {
    va_list arguments;
    va_start(arguments, command);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    static const FcntlFunction next = Next<FcntlFunction>("fcntl64");
    return HeldFcntl(next, fd, command, argument);
}

} // extern "C"
