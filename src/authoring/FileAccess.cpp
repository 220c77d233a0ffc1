#include "authoring/FileAccess.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Short, so that the temporary name fits beside the longest file name the folder takes.
constexpr const char* kTemporaryName = ".saving-XXXXXX";
constexpr mode_t kNewFileMode = 0666;
constexpr size_t kReadChunk = 65536;

std::string lastError()
{
    return std::strerror(errno);
}

std::string folderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode the file would get from open(): its old mode when it exists, else 0666 less the umask.
mode_t modeFor(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        return info.st_mode & 07777;
    }
    mode_t mask = umask(0);
    umask(mask);
    return kNewFileMode & ~mask;
}

bool writeAll(int fd, const std::string& bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t count = write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        written += static_cast<size_t>(count);
    }
    return true;
}

bool syncFolder(const std::string& folder)
{
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    // Some file systems cannot flush a folder at all; their renames are as lasting as they get.
    bool synced = fsync(fd) == 0 || errno == EINVAL;
    close(fd);
    return synced;
}

// Writes, flushes and closes the temporary file; its descriptor is closed either way.
bool fillTemporary(int fd, const std::string& bytes, mode_t mode)
{
    bool filled = writeAll(fd, bytes) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    int firstError = errno;
    // A full disk may only show when the file is closed.
    if (close(fd) != 0 && filled) {
        return false;
    }
    errno = firstError;
    return filled;
}

}

bool readFileBytes(const std::string& path, size_t maxBytes, std::string& bytes, std::string& problem)
{
    // Without O_NONBLOCK a FIFO given as the file would wait forever for a writer.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = lastError();
        return false;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        problem = lastError();
        close(fd);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        problem = S_ISDIR(info.st_mode) ? "is a folder" : "is not a regular file";
        close(fd);
        return false;
    }
    if (static_cast<uint64_t>(info.st_size) > maxBytes) {
        problem = "is " + std::to_string(info.st_size) + " bytes long; at most " + std::to_string(maxBytes) +
                  " are read";
        close(fd);
        return false;
    }
    std::string read;
    char chunk[kReadChunk];
    while (true) {
        ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            problem = lastError();
            close(fd);
            return false;
        }
        if (count == 0) {
            break;
        }
        // Checked as it grows too: the file may grow while it is read.
        if (read.size() + static_cast<size_t>(count) > maxBytes) {
            problem = "grew past " + std::to_string(maxBytes) + " bytes while it was read";
            close(fd);
            return false;
        }
        read.append(chunk, static_cast<size_t>(count));
    }
    close(fd);
    bytes = std::move(read);
    return true;
}

bool replaceFile(const std::string& path, const std::string& bytes, std::string& problem)
{
    const std::string folder = folderOf(path);
    std::string temporary = folder + "/" + kTemporaryName;
    int fd = mkstemp(&temporary[0]);
    if (fd < 0) {
        problem = "cannot create a file in " + folder + ": " + lastError();
        return false;
    }
    if (!fillTemporary(fd, bytes, modeFor(path))) {
        problem = lastError();
        unlink(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        problem = lastError();
        unlink(temporary.c_str());
        return false;
    }
    // The rename is only lasting once the folder's entry is on the disk too.
    if (!syncFolder(folder)) {
        problem = "written, but the folder " + folder + " could not be flushed: " + lastError();
        return false;
    }
    return true;
}
