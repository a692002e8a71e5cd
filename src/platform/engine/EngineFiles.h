#pragma once

#include <QString>

#include <sys/stat.h>
#include <sys/uio.h>

#include <cstddef>
#include <cstdint>

// The engine's input and output files on POSIX descriptors. Each operation returns 0 or a result code of
// Engine.h, chosen from errno.
namespace zq4e {

class InputFile {
public:
    ~InputFile();
    int open(const QString& path); // -3 missing, -4 not a readable regular file
    // Reads until every vector is full or the file ends; bytes read, or -1 on a read error.
    long long readVec(iovec* iov, int count);
    long long read(std::uint8_t* data, std::size_t size);
    const struct stat& info() const { return m_stat; }

    // The disk is asked for this much of a large file beyond what has been read, so that it reads on while the
    // cipher works instead of waiting for each read.
    static constexpr std::uint64_t kReadAhead = std::uint64_t(32) << 20;

private:
    void askAhead();
    int m_fd = -1;
    struct stat m_stat {};
    std::uint64_t m_offset = 0;     // bytes read so far
    std::uint64_t m_askedUntil = 0; // the end of what the disk has been asked for
};

// The result goes to a temporary file beside the output path that is renamed onto it only by commit(). When
// asked and nothing stands at the output path: to a file without a name (UnnamedFile) that takes the output
// path only at commit(), where the file system has such files (else a temporary file as above); Unnamed: the
// same, the caller having just seen the output path free; or, for
// benchmarks, to the output path itself, created exclusively. InMemory: to a file in memory (memfd) for a caller
// that takes it unnamed (Placing::Leave); placed anywhere else, it is first copied to a file of the output's folder.
class OutputFile {
public:
    enum class Creation { ViaTemporary, UnnamedWhenNew, Unnamed, DirectWhenNew, InMemory };
    ~OutputFile() { discard(); }
    int create(const QString& path, const struct stat& input,
               Creation how = Creation::ViaTemporary); // -5 cannot create, -9 no space
    // Writes everything or fails; `written` tells how much got out before a failure. 0, -7 or -9.
    int writeVec(iovec* iov, int count, std::uint64_t& written);
    // Every result is synced in the end, by the engine or by its caller: the disk is asked to start writing every
    // kWriteBehind bytes of it as they come, so that it writes while the cipher works and that sync waits only for
    // the last of them (a large file's writing would otherwise begin only then). Once on the disk, those bytes
    // leave the page cache: a large result neither fills it, pushing out what the user has there, nor waits for
    // the system to find free memory for each new page, which made writing 1 GiB take from 0.3 to 6 s here.
    void setWriteBehind(bool on) { m_writeBehind = on; }
    static constexpr std::uint64_t kWriteBehind = std::uint64_t(16) << 20;
    // Replace: the result takes the output path, whatever is there. BesideExisting: an existing file at the
    // output path is kept and the result takes the first free name of the path followed by 1, 2, ...
    // Aside: the result never takes the output path itself, only the first free name of the path followed by 1,
    // 2, ... (what is not the result asked for must not be found under its name).
    // Leave: the result stays under its temporary name (path() tells it) for the caller to rename, or an
    // unnamed result stays open, unnamed, for the caller to take (releaseUnnamed) and name.
    enum class Placing { Replace, BesideExisting, Aside, Leave };
    // Truncates to `length` (unless negative), gives the input's permission bits and its access and modification
    // times (as a copy that keeps them does, so a round trip gives a file its times back), syncs the file when asked,
    // renames it onto the output path (as `placing` says) and then syncs the folder when both are asked.
    // 0, -7 or -9.
    int commit(bool sync, bool alsoFolder, long long length = -1, Placing placing = Placing::Replace);
    // The path the result went to (after commit); /proc/self/fd/N for a result left unnamed.
    const QByteArray& path() const { return m_path; }
    void discard(); // removes the file being written
    bool isOpen() const { return m_fd >= 0; }
    std::uint64_t written() const { return m_written; }
    // The descriptor of a result left unnamed by commit(), handed over; -1 when there is none.
    int releaseUnnamed();

private:
    int commitUnnamed(int code, bool alsoFolder, Placing placing);
    // A result in memory that is to have a name after all: copied to a file of the output's folder.
    int toDisk();
    int placeBesideExisting(int first = 0);
    int placeUnnamed();
    // Gives the result `name` unless something stands there (EEXIST); 0 or an errno value.
    int takeFreeName(const QByteArray& name);
    int m_fd = -1;
    bool m_unnamed = false; // the result has no name yet
    bool m_inMemory = false;
    bool m_writeBehind = true;
    std::uint64_t m_written = 0;     // bytes written so far
    std::uint64_t m_writingFrom = 0; // where the bytes not yet handed to the disk begin
    std::uint64_t m_lastHanded = 0;  // where the bytes last handed to the disk begin
    std::uint64_t m_released = 0;    // the bytes before this have left the page cache
    void writeBehind();
    mode_t m_mode = 0600;
    struct timespec m_times[2]{}; // the input's access and modification times
    QByteArray m_path;
    QByteArray m_tempPath; // the file being written; the output path itself when created directly
};

int writeErrorCode(int err); // -9 for a full disk or quota, else -7

} // namespace zq4e
