#pragma once

#include <QByteArray>
#include <QString>

// The copy being written: a file without a name in the target's folder until it has been checked
// (where the file system allows it), so a process killed midway leaves nothing behind; else a
// hidden name beside the target that no other process can have, locked while it is written (see
// PartialCopyFiles) and removed on failure.
class PendingCopy final {
public:
    // Raises CoreError when no file can be made in the folder.
    PendingCopy(const QString& folder, const QString& target);
    ~PendingCopy();
    Q_DISABLE_COPY_MOVE(PendingCopy)

    // True when the copy holds exactly these bytes at the offset.
    bool Holds(const char* data, qint64 size, qint64 offset);
    void WriteAt(const char* data, qint64 size, qint64 offset);
    void Truncate(qint64 size);

    // 0 once the copy is on the disk, else the error number; safe beside the check's reads.
    int TrySync() const;

    // A path under which the engine can open the copy as it is: its own handle while it has no
    // name, else its hidden name. Either is absolute.
    QString OpenPath() const;

    // Gives the checked copy the target's name, replacing an existing file; answers that name.
    QString Publish();

    // Gives the checked copy the target's name, or the first of its numbered names that no file
    // has; never replaces a file. Answers the name it took.
    QString PublishUnderNewName();

private:
    bool OpenNameless();
    void OpenNamed();
    QString FdPath() const;
    int LinkNameless(const QString& name) const;
    QString Name();
    void SyncFolder() const;

    QString m_folder;
    QString m_target;
    QString m_named;
    int m_fd = -1;
    QByteArray m_compare;
};
