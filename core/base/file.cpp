// The file object over the C runtime's descriptors and streams, and the
// replacing file's dealings with the file system.
#include "core/base/file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <process.h>
#include <share.h>
#else
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

int OpenFlagsFor(UINT openFlags) {
    int oflag = 0;
    if (openFlags & CFile::modeReadWrite)
        oflag = O_RDWR;
    else if (openFlags & CFile::modeWrite)
        oflag = O_WRONLY;
    else
        oflag = O_RDONLY;
    if (openFlags & CFile::modeCreate) oflag |= O_CREAT | O_TRUNC;
#if defined(_WIN32)
    oflag |= O_BINARY | O_NOINHERIT;
#else
    oflag |= O_CLOEXEC;
#endif
    return oflag;
}

const char* StreamModeFor(UINT openFlags) {
    if (openFlags & CFile::modeReadWrite) return "r+b";
    if (openFlags & CFile::modeWrite) return "wb";
    return "rb";
}

int OpenWithSharing(const char* name, int oflag, UINT openFlags, int mode = 0666) {
#if defined(_WIN32)
    (void)mode;
    int share = _SH_DENYNO;
    if (openFlags & CFile::shareExclusive)
        share = _SH_DENYRW;
    else if (openFlags & CFile::shareDenyWrite)
        share = _SH_DENYWR;
    return _sopen(name, oflag, share, _S_IREAD | _S_IWRITE);
#else
    // POSIX has no mandatory sharing modes; the flags are honoured on Windows.
    (void)openFlags;
    return ::open(name, oflag, mode);
#endif
}

int CloseDescriptor(int fd) {
#if defined(_WIN32)
    return _close(fd);
#else
    return ::close(fd);
#endif
}

// Windows' narrow-name calls stop at 260 characters, which a long name in a
// deep folder passes; the wide ones behind std::filesystem do not.
void RemoveFile(const std::string& path) {
#if defined(_WIN32)
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
#else
    ::unlink(path.c_str());
#endif
}

// ------------------------------------------------------------ names

constexpr std::size_t kNameLimit = 255;  // bytes of one name on the usual file systems
constexpr char kTemporaryMark[] = ".tindral-tmp-";
// What follows the target's name: the mark, eight hex digits of the name's
// hash and a dash, then the writer's process id, a dash and a counter.
constexpr std::size_t kLongestSuffixBytes = (sizeof kTemporaryMark - 1) + 9 + 10 + 1 + 10;

std::string::size_type LastSeparator(const std::string& path) {
#if defined(_WIN32)
    return path.find_last_of("/\\:");
#else
    return path.rfind('/');
#endif
}
std::string FolderOf(const std::string& path) {
    const auto at = LastSeparator(path);
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}
std::string NameOf(const std::string& path) {
    const auto at = LastSeparator(path);
    return at == std::string::npos ? path : path.substr(at + 1);
}

unsigned ProcessId() {
#if defined(_WIN32)
    return static_cast<unsigned>(_getpid());
#else
    return static_cast<unsigned>(getpid());
#endif
}

// The digits of a leftover's writer, or 0 when the rest of the name is not "PID-COUNTER".
unsigned long WriterOf(const std::string& rest) {
    char* end = nullptr;
    const unsigned long pid = std::strtoul(rest.c_str(), &end, 10);
    if (end == rest.c_str() || *end != '-' || rest[0] < '0' || rest[0] > '9') return 0;
    const char* counter = end + 1;
    if (*counter < '0' || *counter > '9') return 0;
    std::strtoul(counter, &end, 10);
    return *end == '\0' && pid <= INT_MAX ? pid : 0;
}

// Temporary files of this target whose writer was killed before it could
// clean up. A live writer's file is left alone: on Windows it is open
// without sharing and cannot be removed; elsewhere its process still runs
// and it holds a lock on the file.
void RemoveLeftovers(const std::string& folder, const std::string& prefix) {
    std::error_code error;
    std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, error), end;
    for (; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const unsigned long pid = WriterOf(name.substr(prefix.size()));
        if (pid == 0) continue;
        const std::string path = folder + name;
#if defined(_WIN32)
        RemoveFile(path);
#else
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) continue;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
        ::close(fd);
#endif
    }
}

// A folder named in a path that is a file: Windows answers ENOENT for it.
bool IsFileNotFolder(const std::string& folder) {
    if (folder.size() < 2) return false;
    struct stat st;
    return stat(folder.substr(0, folder.size() - 1).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

#if defined(_WIN32)
// The names Windows keeps for its devices, in every folder and with any extension.
bool IsDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    for (char& ch : stem) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
           stem[3] <= '9';
}
#else
// The file a chain of symbolic links ends at (which need not exist yet).
// False with errno when the chain cannot be followed.
bool FollowLinks(std::string* path, struct stat* st, bool* exists) {
    for (int hops = 0; hops <= 40; ++hops) {
        if (lstat(path->c_str(), st) != 0) {
            *exists = false;
            return errno == ENOENT;
        }
        if (!S_ISLNK(st->st_mode)) {
            *exists = true;
            return true;
        }
        std::string link(static_cast<std::size_t>(st->st_size > 0 ? st->st_size : 255) + 1, '\0');
        const ssize_t length = readlink(path->c_str(), &link[0], link.size());
        if (length < 0) return false;
        if (static_cast<std::size_t>(length) >= link.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        link.resize(static_cast<std::size_t>(length));
        *path = link[0] == '/' ? link : FolderOf(*path) + link;
    }
    errno = ELOOP;
    return false;
}
#endif

#if !defined(_WIN32)
// Holds every signal that can arrive from outside while it lives; the ones
// a fault raises in this thread stay open, as they must.
class SignalHold {
public:
    SignalHold() {
        sigset_t held;
        sigfillset(&held);
        for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT}) sigdelset(&held, fault);
        pthread_sigmask(SIG_BLOCK, &held, &m_before);
    }
    ~SignalHold() { pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;

private:
    sigset_t m_before;
};
#else
// Windows raises its few signals on a thread of their own.
struct SignalHold {
    SignalHold() {}
};
#endif

// Pushes a flushed file's bytes to the disk. File systems that cannot sync
// (EINVAL, ENOTSUP) have nothing more to give.
bool SyncToDisk(std::FILE* stream) {
#if defined(_WIN32)
    return _commit(_fileno(stream)) == 0;
#else
    return fsync(fileno(stream)) == 0 || errno == EINVAL || errno == ENOTSUP;
#endif
}

// A rename reaches the disk with its folder.
void SyncFolder(const std::string& folder) {
#if !defined(_WIN32)
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    ::close(fd);
#else
    (void)folder;
#endif
}

}  // namespace

void CObject::Serialize(CArchive&) {}

CFile::~CFile() {
    if (m_stream) std::fclose(m_stream);
}

void CFile::Raise() {
    m_nLastError = errno ? errno : EIO;
    throw CFileException(m_nLastError);
}

BOOL CFile::Open(const char* fileName, UINT openFlags) {
    if (m_stream) return FALSE;
    if (!fileName || !*fileName) {
        m_nLastError = ENOENT;
        return FALSE;
    }
    const int fd = OpenWaiting(fileName, OpenFlagsFor(openFlags), openFlags);
    return OpenDescriptor(fd, fileName, openFlags);
}

int CFile::OpenWaiting(const char* fileName, int oflag, UINT openFlags) {
#if !defined(_WIN32)
    // open() on a FIFO blocks, silently, until its other end comes; opened
    // without blocking, the wait is ours to tell about.
    struct stat st;
    const int direction = oflag & O_ACCMODE;
    if (stat(fileName, &st) != 0 || !S_ISFIFO(st.st_mode) || direction == O_RDWR)
        return OpenWithSharing(fileName, oflag, openFlags);
    constexpr int kPollMs = 20, kNoticeMs = 1000;
    bool told = false;
    const auto tell = [&] {
        if (!told && m_waitingNotice) m_waitingNotice();
        told = true;
    };
    int fd = -1;
    // A writer is refused (ENXIO) until a reader has the FIFO open.
    for (int waited = 0;; waited += kPollMs) {
        fd = ::open(fileName, oflag | O_NONBLOCK);
        if (fd >= 0 || direction != O_WRONLY || errno != ENXIO) break;
        if (waited >= kNoticeMs) tell();
        poll(nullptr, 0, kPollMs);
    }
    if (fd < 0) return fd;
    if (direction == O_RDONLY) {
        // A reader is let in at once; the writer shows itself with data, or
        // with its end closed.
        pollfd end{fd, POLLIN, 0};
        int ready = 0;
        for (int timeout = kNoticeMs; (ready = poll(&end, 1, timeout)) <= 0; timeout = -1) {
            if (ready < 0 && errno != EINTR) break;
            if (ready == 0) tell();
        }
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
#else
    return OpenWithSharing(fileName, oflag, openFlags);
#endif
}

BOOL CFile::OpenDescriptor(int fd, const char* fileName, UINT openFlags) {
    if (fd < 0) {
        m_nLastError = errno;
        return FALSE;
    }
#if defined(_WIN32)
    m_stream = _fdopen(fd, StreamModeFor(openFlags));
#else
    m_stream = ::fdopen(fd, StreamModeFor(openFlags));
#endif
    if (!m_stream) {
        m_nLastError = errno;
        CloseDescriptor(fd);
        return FALSE;
    }
    m_path = fileName;
    m_nWritten = 0;
    return TRUE;
}

void CFile::Attach(std::FILE* stream) {
    if (m_stream) std::fclose(m_stream);
    m_stream = stream;
    m_path.clear();
}

std::uint64_t CFile::GetPosition() const {
#if defined(_WIN32)
    const long long pos = _ftelli64(m_stream);
#else
    const off_t pos = ftello(m_stream);
#endif
    if (pos < 0) throw CFileException(errno);
    return static_cast<std::uint64_t>(pos);
}

std::uint64_t CFile::GetLength() const {
    const std::uint64_t position = GetPosition();
#if defined(_WIN32)
    const bool ended = _fseeki64(m_stream, 0, SEEK_END) == 0;
    const long long length = ended ? _ftelli64(m_stream) : -1;
    const int error = errno;
    _fseeki64(m_stream, static_cast<long long>(position), SEEK_SET);
#else
    const bool ended = fseeko(m_stream, 0, SEEK_END) == 0;
    const off_t length = ended ? ftello(m_stream) : -1;
    const int error = errno;
    fseeko(m_stream, static_cast<off_t>(position), SEEK_SET);
#endif
    if (length < 0) throw CFileException(error);
    return static_cast<std::uint64_t>(length);
}

void CFile::Seek(std::uint64_t position) {
    if (position > static_cast<std::uint64_t>(INT64_MAX)) throw CFileException(EINVAL);
#if defined(_WIN32)
    const int rc = _fseeki64(m_stream, static_cast<long long>(position), SEEK_SET);
#else
    const int rc = fseeko(m_stream, static_cast<off_t>(position), SEEK_SET);
#endif
    if (rc != 0) throw CFileException(errno);
}

UINT CFile::Read(void* buffer, UINT count) {
    if (count == 0) return 0;
    return static_cast<UINT>(std::fread(buffer, 1, count, m_stream));
}

void CFile::Write(const void* buffer, UINT count) {
    if (count == 0) return;
    errno = 0;
    if (std::fwrite(buffer, 1, count, m_stream) != count) Raise();
    m_nWritten += count;
}

void CFile::Flush() {
    errno = 0;
    if (std::fflush(m_stream) != 0) Raise();
}

void CFile::Close() {
    if (!m_stream) return;
    std::FILE* stream = m_stream;
    m_stream = nullptr;
    errno = 0;
    if (std::fclose(stream) != 0) Raise();
}

// ------------------------------------------------------------ replacing file

std::string CReplacingFile::TemporaryPrefix(const std::string& targetName) {
    // The whole name picks the prefix, so that two long names cut alike
    // still never take each other's leftovers.
    std::uint32_t hash = 2166136261u;
    for (unsigned char ch : targetName) hash = (hash ^ ch) * 16777619u;
    static const char kHex[] = "0123456789abcdef";
    std::string digits(8, '0');
    for (int i = 7; i >= 0; --i, hash >>= 4) digits[static_cast<std::size_t>(i)] = kHex[hash & 15];
    std::size_t keep = targetName.size();
    if (keep > kNameLimit - kLongestSuffixBytes) {
        keep = kNameLimit - kLongestSuffixBytes;
        // Never in the middle of a UTF-8 sequence.
        while (keep > 0 && (static_cast<unsigned char>(targetName[keep]) & 0xC0) == 0x80) --keep;
    }
    return targetName.substr(0, keep) + kTemporaryMark + digits + "-";
}

CReplacingFile::~CReplacingFile() {
    Abandon();
}

BOOL CReplacingFile::OpenFor(const std::string& targetPath, const std::function<void(const CReplacingFile&)>& opened) {
    if (IsOpen()) return FALSE;
    m_bDirect = false;
    m_target.clear();
    const auto fail = [this](int error) {
        m_nLastError = error;
        return FALSE;
    };
    if (targetPath.empty()) return fail(ENOENT);

    std::string target = targetPath;
    bool exists = false;
#if defined(_WIN32)
    struct _stat64 st;
    exists = _stat64(target.c_str(), &st) == 0;
#else
    struct stat st;
    if (!FollowLinks(&target, &st, &exists)) return fail(errno);
#endif
    const std::string name = NameOf(target);
    if ((exists && S_ISDIR(st.st_mode)) || name.empty() || name == "." || name == "..") return fail(EISDIR);
    bool device = exists && !S_ISREG(st.st_mode);
#if defined(_WIN32)
    device = device || IsDeviceName(name);
#endif
    if (device) {
        // A device or a FIFO cannot be replaced; it takes the bytes as they come.
        const int fd = OpenWaiting(target.c_str(), OpenFlagsFor(modeWrite), shareDenyNone);
        const SignalHold hold;
        if (!OpenDescriptor(fd, target.c_str(), modeWrite)) return FALSE;
        m_bDirect = true;
        m_target = target;
        if (opened) opened(*this);
        return TRUE;
    }
#if !defined(_WIN32)
    // A file the user may not write is not replaced behind its back.
    if (exists && access(target.c_str(), W_OK) != 0) return fail(errno);
#endif

    const std::string folder = FolderOf(target);
    const std::string prefix = TemporaryPrefix(name);
    RemoveLeftovers(folder, prefix);
    static std::atomic<unsigned> counter{0};
    // From the moment the file exists until whoever cleans up after an
    // interrupt knows its name, no signal may end the process.
    const SignalHold hold;
    int fd = -1;
    std::string candidate;
    for (int attempt = 0; fd < 0; ++attempt) {
        if (attempt == 100) return fail(EEXIST);
        candidate = folder + prefix + std::to_string(ProcessId()) + "-" + std::to_string(counter.fetch_add(1));
        // Private until it is complete; it takes the old file's mode below.
        fd = OpenWithSharing(candidate.c_str(), OpenFlagsFor(modeWrite) | O_CREAT | O_EXCL, shareExclusive,
                             exists ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) return fail(errno == ENOENT && IsFileNotFolder(folder) ? ENOTDIR : errno);
    }
#if !defined(_WIN32)
    // The lock tells a later writer that this file's writer is alive.
    flock(fd, LOCK_EX | LOCK_NB);
    if (exists) {
        // Changing the owner may drop set-id bits, so the mode comes after.
        if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
            // Not permitted: the file is the writer's own, as any new file would be.
        }
        fchmod(fd, st.st_mode & 07777);
    }
#endif
    if (!OpenDescriptor(fd, candidate.c_str(), modeWrite)) {
        const int error = m_nLastError;
        RemoveFile(candidate);
        return fail(error);
    }
    m_target = target;
    if (opened) opened(*this);
    return TRUE;
}

BOOL CReplacingFile::Commit() {
    if (!IsOpen()) return FALSE;
    if (m_bDirect) {
        try {
            Close();
        } catch (const CFileException&) {
            return FALSE;
        }
        return TRUE;
    }
    if (m_nWritten == 0) {
        Abandon();
        m_nLastError = EINVAL;
        return FALSE;
    }
    const std::string temporary = m_path;
    try {
        Flush();
        if (!SyncToDisk(m_stream)) Raise();
        Close();
    } catch (const CFileException&) {
        Abandon();
        RemoveFile(temporary);
        return FALSE;
    }
#if defined(_WIN32)
    std::error_code error;
    std::filesystem::rename(temporary, m_target, error);
    const int renameError = error ? error.value() : 0;
#else
    const int renameError = ::rename(temporary.c_str(), m_target.c_str()) == 0 ? 0 : errno;
#endif
    if (renameError != 0) {
        m_nLastError = renameError;
        RemoveFile(temporary);
        return FALSE;
    }
    SyncFolder(FolderOf(m_target));
    m_path = m_target;
    return TRUE;
}

void CReplacingFile::Abandon() {
    if (!IsOpen()) return;
    std::fclose(m_stream);
    m_stream = nullptr;
    if (!m_bDirect) RemoveFile(m_path);
}
