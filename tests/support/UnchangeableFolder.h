#pragma once

#include <QFileDevice>
#include <QString>

// A folder whose entries can be neither added, renamed nor removed while the object lives, even by
// root: the permission bits stop other users, the immutable attribute stops root. Both are undone
// when the object goes.
class UnchangeableFolder final {
public:
    explicit UnchangeableFolder(const QString& path);
    ~UnchangeableFolder();
    Q_DISABLE_COPY_MOVE(UnchangeableFolder)

    // False when this file system or user could not be kept from changing the folder; a test then
    // has nothing to show and skips.
    bool IsUnchangeable() const { return m_unchangeable; }

private:
    bool SetImmutable(bool on) const;
    bool ProbeIsRefused() const;

    QString m_path;
    QFileDevice::Permissions m_permissions;
    bool m_immutable = false;
    bool m_unchangeable = false;
};
