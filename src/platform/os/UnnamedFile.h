#pragma once

#include <QByteArray>
#include <QString>

// A file without a name yet. Made in a folder with O_TMPFILE, it lives on that folder's file system but has no
// entry in it: nobody sees it there, and a process that dies before naming it leaves nothing behind. It takes a
// name by a hard link made through /proc/self/fd (linking the descriptor itself needs a privilege), and a link
// never replaces what stands at the name. The object owns the descriptor and closes it when it goes.
class UnnamedFile {
public:
    UnnamedFile() = default;
    explicit UnnamedFile(int fd) : m_fd(fd) {}
    UnnamedFile(UnnamedFile&& other) noexcept : m_fd(other.release()) {}
    UnnamedFile& operator=(UnnamedFile&& other) noexcept;
    UnnamedFile(const UnnamedFile&) = delete;
    UnnamedFile& operator=(const UnnamedFile&) = delete;
    ~UnnamedFile() { close(); }

    // The descriptor of a new file in `folder`, private (0600) and open for writing; -1 with errno set where
    // there is none to be had: a kernel or file system without them (EOPNOTSUPP, EISDIR, EINVAL), no /proc to
    // name it through, or the usual reasons a file cannot be created.
    static int create(const QByteArray& folder);
    // Gives the file behind `fd` the name `path` unless something, a dangling link included, stands there.
    // False with errno set otherwise (EEXIST: the name is taken).
    static bool link(int fd, const QByteArray& path);
    // Where the file behind `fd` can be read while it is open: /proc/self/fd/N.
    static QByteArray pathOf(int fd);
    // Tests and benchmarks: off, create() fails as on a file system without unnamed files.
    static void setAvailable(bool on);

    bool isOpen() const { return m_fd >= 0; }
    int release();
    void close();
    int fd() const { return m_fd; }
    qint64 size() const; // -1 when it cannot be told
    // The whole file read into out (at most 1 GiB); false when it cannot be.
    bool readAll(QByteArray& out) const;
    bool link(const QString& path) const;

private:
    int m_fd = -1;
};
