// The file object, its exception and the archive: the framework's file
// services as the core uses them, over the C runtime so that they build
// everywhere.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "core/base/wintypes.h"

// Raised by CFile::Write (and by a seek the system refuses). Carries the C
// runtime's error number so that a message can say what went wrong.
class CFileException {
public:
    explicit CFileException(int osError) : m_lOsError(osError) {}
    int m_lOsError;
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
    };

    CFile() = default;
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Answers FALSE when the file cannot be opened; raises nothing. A FIFO
    // waits for its other end (a writer to read from, a reader to write
    // to) as long as it takes; signals still end the wait.
    BOOL Open(const char* fileName, UINT openFlags);
    // Heard once when opening a FIFO has waited a second for its other end.
    void SetWaitingNotice(std::function<void()> notice) { m_waitingNotice = std::move(notice); }
    // Takes over an already open stream (memory streams in tests and fuzzing).
    void Attach(std::FILE* stream);
    BOOL IsOpen() const { return m_stream != nullptr; }

    std::uint64_t GetPosition() const;
    // The file's length in bytes; the position is kept. Raises CFileException
    // when the system cannot tell.
    std::uint64_t GetLength() const;
    // Absolute position from the start of the file; raises CFileException
    // when the system refuses it. Seeking past the end is allowed.
    void Seek(std::uint64_t position);
    // Answers the number of bytes read: fewer than asked at the end of the file.
    UINT Read(void* buffer, UINT count);
    // Raises CFileException unless every byte was written.
    void Write(const void* buffer, UINT count);
    // Pushes buffered bytes to the system; raises CFileException on failure.
    void Flush();
    // Raises CFileException when buffered bytes could not be written.
    void Close();
    const std::string& GetFilePath() const { return m_path; }
    // The C runtime's error number of the last Open, Write, Flush or Close
    // that failed (and of CReplacingFile's own steps); 0 before any failure.
    int GetLastError() const { return m_nLastError; }

protected:
    BOOL OpenDescriptor(int fd, const char* fileName, UINT openFlags);
    // Opens a name for the C runtime's open flags, waiting for a FIFO's other end.
    int OpenWaiting(const char* fileName, int oflag, UINT openFlags);
    // Records errno (EIO when the system left it 0) and raises it.
    [[noreturn]] void Raise();
    std::FILE* m_stream = nullptr;
    std::string m_path;
    int m_nLastError = 0;
    std::uint64_t m_nWritten = 0;
    std::function<void()> m_waitingNotice;
};

// A file that takes the place of its target only once everything has been
// written, so that a failed or interrupted save never leaves a partial file.
// The bytes go to a temporary file beside the target, flushed to the disk,
// and Commit renames it over the target: the folder then holds either the
// old file or the new one. On POSIX systems a symbolic link is followed and
// its final target replaced (the link stays), the old file's mode and, where
// permitted, owner are kept, and a target that is neither a regular file nor
// missing (a device, a FIFO) is written directly. Another hard link to a
// replaced file keeps the old content.
class CReplacingFile : public CFile {
public:
    CReplacingFile() = default;
    ~CReplacingFile() override;

    // Checks the target and opens the file that the bytes go to; FALSE with
    // GetLastError() when it cannot: EISDIR for a folder, ENOENT or ENOTDIR
    // when the folder is missing, the system's answer otherwise. Temporary
    // files that an earlier writer to the same target left behind when it
    // was killed are removed first. opened (when set) is heard as soon as
    // the file is open, with the asynchronous signals held in the calling
    // thread on POSIX systems (so no other thread should be running): a
    // handler that removes the temporary file on an interrupt learns its
    // name before any signal can arrive.
    BOOL OpenFor(const std::string& targetPath, const std::function<void(const CReplacingFile&)>& opened = {});
    // Flushes and closes, then renames over the target; on any failure the
    // temporary file is removed, the target is untouched and the answer
    // FALSE. Nothing written at all is a failure too (EINVAL): an empty file
    // never replaces a user's file.
    BOOL Commit();
    // Closes and removes the temporary file without touching the target.
    void Abandon();

    // True when the target is written in place (a device or a FIFO), so that
    // an abandoned write cannot be taken back.
    bool WritesDirectly() const { return m_bDirect; }
    // The file that Commit replaces: the target, its links followed.
    const std::string& GetTargetPath() const { return m_target; }

    // The temporary files of a target start with this (the target's name,
    // cut so that the whole name fits the system's 255-byte limit).
    static std::string TemporaryPrefix(const std::string& targetName);

private:
    std::string m_target;
    bool m_bDirect = false;
};

// Reading or writing objects through a file. This archive keeps no buffer of
// its own, so its file always stands where the archive stands.
class CArchive {
public:
    enum Mode : UINT { store = 0, load = 1 };
    CArchive(CFile* file, UINT mode) : m_pFile(file), m_nMode(mode) {}

    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    void Flush() {}
    CFile* GetFile() const { return m_pFile; }

private:
    CFile* m_pFile;
    UINT m_nMode;
};

// The root of the serializable classes.
class CObject {
public:
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& ar);
};
