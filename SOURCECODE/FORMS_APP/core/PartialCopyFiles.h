#pragma once

#include <QString>

// The files of copies in progress that a copy must give a name before it is finished (on file
// systems without O_TMPFILE: CIFS and NFS shares, vfat sticks). Each has a fixed-length hidden
// name of its own, so any target name the file system takes leaves room for it, and its writer
// holds a lock on it for as long as the file is open. A copy whose process is gone has left its
// file unlocked: the next copy into that folder removes it, and never one whose writer lives.
// The lock is an open-file-description record lock, which local disks, NFSv4 and CIFS honour
// between computers, and which the engine's own locks on the same file (other bytes) leave alone.
class PartialCopyFiles final {
public:
    PartialCopyFiles() = delete;

    // A fresh name of the shape in the folder (without a trailing "/").
    static QString NewName(const QString& folder);

    // True when a file name (without its folder) has the shape of a copy in progress.
    static bool IsPartialName(const QString& fileName);

    // Locks the open file for its writer, waiting while a sweep looks at it. 0 on success or when
    // the file system keeps no such locks (nothing can then be swept there), else the error number.
    static int LockForWriting(int fd);

    // True when the name leads to the open file: a sweep may have removed the name between its
    // creation and its lock.
    static bool NameLeadsTo(const QString& path, int fd);

    // Removes the files of the shape in the folder whose writer is gone. Never fails: a file that
    // cannot be looked at stays.
    static void RemoveAbandoned(const QString& folder);

    // Takes the lock that our own publishers in the folder take in turns where the file system can
    // neither rename without replacing nor link: the descriptor that holds it (closing it lets the
    // next one go), or -1 with errno.
    static int LockPublishers(const QString& folder);
};
