// The file object over the C runtime's descriptors and streams.
#include "core/base/file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <share.h>
#else
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

int OpenWithSharing(const char* name, int oflag, UINT openFlags) {
#if defined(_WIN32)
    int share = _SH_DENYNO;
    if (openFlags & CFile::shareExclusive)
        share = _SH_DENYRW;
    else if (openFlags & CFile::shareDenyWrite)
        share = _SH_DENYWR;
    return _sopen(name, oflag, share, _S_IREAD | _S_IWRITE);
#else
    // POSIX has no mandatory sharing modes; the flags are honoured on Windows.
    (void)openFlags;
    return ::open(name, oflag, 0666);
#endif
}

int CloseDescriptor(int fd) {
#if defined(_WIN32)
    return _close(fd);
#else
    return ::close(fd);
#endif
}

}  // namespace

void CObject::Serialize(CArchive&) {}

CFile::~CFile() {
    if (m_stream) std::fclose(m_stream);
}

BOOL CFile::Open(const char* fileName, UINT openFlags) {
    if (m_stream || !fileName || !*fileName) return FALSE;
    const int fd = OpenWithSharing(fileName, OpenFlagsFor(openFlags), openFlags);
    return OpenDescriptor(fd, fileName, openFlags);
}

BOOL CFile::OpenDescriptor(int fd, const char* fileName, UINT openFlags) {
    if (fd < 0) return FALSE;
#if defined(_WIN32)
    m_stream = _fdopen(fd, StreamModeFor(openFlags));
#else
    m_stream = ::fdopen(fd, StreamModeFor(openFlags));
#endif
    if (!m_stream) {
        CloseDescriptor(fd);
        return FALSE;
    }
    m_path = fileName;
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
    if (std::fwrite(buffer, 1, count, m_stream) != count) throw CFileException(errno ? errno : EIO);
}

void CFile::Flush() {
    errno = 0;
    if (std::fflush(m_stream) != 0) throw CFileException(errno ? errno : EIO);
}

void CFile::Close() {
    if (!m_stream) return;
    std::FILE* stream = m_stream;
    m_stream = nullptr;
    errno = 0;
    if (std::fclose(stream) != 0) throw CFileException(errno ? errno : EIO);
}

CReplacingFile::~CReplacingFile() {
    Abandon();
}

BOOL CReplacingFile::OpenFor(const std::string& targetPath) {
    if (IsOpen() || targetPath.empty()) return FALSE;
    // A name nobody else will pick: the process's own counter and the clock.
    static std::atomic<unsigned> counter{0};
    const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            targetPath + ".tmp-" + std::to_string(stamp % 1000000007ULL) + "-" + std::to_string(counter.fetch_add(1));
        const int fd = OpenWithSharing(candidate.c_str(), OpenFlagsFor(modeWrite) | O_CREAT | O_EXCL, shareExclusive);
        if (fd >= 0) {
            if (!OpenDescriptor(fd, candidate.c_str(), modeWrite)) {
                std::remove(candidate.c_str());
                return FALSE;
            }
            m_target = targetPath;
            return TRUE;
        }
        if (errno != EEXIST) return FALSE;
    }
    return FALSE;
}

BOOL CReplacingFile::Commit() {
    if (!IsOpen()) return FALSE;
    const std::string temporary = m_path;
    try {
        Close();
    } catch (const CFileException&) {
        std::remove(temporary.c_str());
        return FALSE;
    }
    std::error_code error;
    std::filesystem::rename(temporary, m_target, error);
    if (error) {
        std::remove(temporary.c_str());
        return FALSE;
    }
    m_path = m_target;
    return TRUE;
}

void CReplacingFile::Abandon() {
    if (!IsOpen()) return;
    std::fclose(m_stream);
    m_stream = nullptr;
    std::remove(m_path.c_str());
}
