#pragma once

#include <QFile>
#include <QString>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

// Checks on the files the program leaves in the temporary folder, which every user of the
// workstation shares.
namespace temp_folder_files {

// The permission bits of path (0600: read and write for its owner alone); -1 when it is missing.
inline int PermissionBits(const QString& path) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        return -1;
    }
    return static_cast<int>(status.st_mode & 07777);
}

// While it lives, this process cannot write a file past `bytes`: the write fails with EFBIG as on a
// full disk, and the signal that such a write raises is ignored. Root is bound by it too.
class FileSizeLimit final {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        m_saved = ::getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_active = m_saved && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        if (m_saved) {
            ::setrlimit(RLIMIT_FSIZE, &m_previous);
        }
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool IsActive() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_handler)(int) = SIG_DFL;
    bool m_saved = false;
    bool m_active = false;
};

// Sets the file mode mask for as long as it lives, so a test shows what a file gets whatever the
// user's mask.
class UmaskScope final {
public:
    explicit UmaskScope(mode_t mask)
        : m_previous(::umask(mask)) {}
    ~UmaskScope() { ::umask(m_previous); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

private:
    mode_t m_previous;
};

} // namespace temp_folder_files
