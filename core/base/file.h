// The file object, its exception and the archive: the framework's file
// services as the core uses them, over the C runtime so that they build
// everywhere.
#pragma once

#include <cstdint>
#include <cstdio>
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

    // Answers FALSE when the file cannot be opened; raises nothing.
    BOOL Open(const char* fileName, UINT openFlags);
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

protected:
    BOOL OpenDescriptor(int fd, const char* fileName, UINT openFlags);
    std::FILE* m_stream = nullptr;
    std::string m_path;
};

// A file that replaces its target only once everything has been written: the
// bytes go to a new file beside the target, and Commit renames it into place.
// A failed or abandoned write leaves the target as it was and no stray file.
class CReplacingFile : public CFile {
public:
    CReplacingFile() = default;
    ~CReplacingFile() override;

    // Creates the temporary file in the target's folder; FALSE when it cannot.
    BOOL OpenFor(const std::string& targetPath);
    // Flushes, closes and renames over the target; on any failure the
    // temporary file is removed, the target is untouched and the answer FALSE.
    BOOL Commit();
    // Closes and removes the temporary file without touching the target.
    void Abandon();

private:
    std::string m_target;
};

// Reading or writing objects through a file. This archive keeps no buffer of
// its own, so its file always stands where the archive stands.
class CArchive {
public:
    enum Mode : UINT { store = 0, load = 1 };
    CArchive(CFile* file, UINT mode) : m_pFile(file), m_nMode(mode) {}

    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    BOOL IsStoring() const { return (m_nMode & load) == 0; }
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
