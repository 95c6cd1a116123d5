#include "FileIO.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

#include "Command.h"

namespace rztool {

namespace {

// One read or write moves at most this much, which every system takes.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;
// Files from this size on are mapped rather than read, where the system can.
constexpr std::uint64_t kMapFrom = std::uint64_t{1} << 18;

#if defined(_WIN32)
int OpenForReading(const std::string& name) {
    return _open(name.c_str(), _O_RDONLY | _O_BINARY);
}
int OpenForWriting(const std::string& name) {
    return _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long long ReadSome(int fd, unsigned char* at, std::size_t count) {
    return _read(fd, at, static_cast<unsigned>(std::min(count, kMaxTransfer)));
}
int CloseFile(int fd) {
    return _close(fd);
}
bool RegularFileSize(int fd, std::uint64_t& size) {
    struct _stat64 status;
    if (_fstat64(fd, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) return false;
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}
int StandardStream(int fd) {
    _setmode(fd, _O_BINARY);
    return fd;
}
ByteBlock MapFile(int, std::size_t) {
    return {};
}
// Each part with its own write: Windows has no gathering write for files.
bool WriteParts(int fd, std::vector<std::span<const unsigned char>> parts) {
    for (auto part : parts) {
        while (!part.empty()) {
            const int written =
                _write(fd, part.data(), static_cast<unsigned>(std::min(part.size(), kMaxTransfer)));
            if (written <= 0) return false;
            part = part.subspan(static_cast<std::size_t>(written));
        }
    }
    return true;
}
#else
int OpenForReading(const std::string& name) {
    return ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
}
int OpenForWriting(const std::string& name) {
    return ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}
long long ReadSome(int fd, unsigned char* at, std::size_t count) {
    long long got;
    do got = ::read(fd, at, std::min(count, kMaxTransfer));
    while (got < 0 && errno == EINTR);
    return got;
}
int CloseFile(int fd) {
    return ::close(fd);
}
bool RegularFileSize(int fd, std::uint64_t& size) {
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return false;
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}
int StandardStream(int fd) {
    return fd;
}
// A private mapping of the whole file, its pages in place (MAP_POPULATE):
// no copy, no cleared pages. Mapped for reading first, so that populating
// copies nothing; writing then copies only the pages written (a rewritten
// header). Empty when it cannot be made.
ByteBlock MapFile(int fd, std::size_t size) {
    void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (at == MAP_FAILED) return {};
    if (::mprotect(at, size, PROT_READ | PROT_WRITE) != 0) {
        ::munmap(at, size);
        return {};
    }
    return ByteBlock::Adopt(static_cast<char*>(at), size,
                            [](char* block, std::size_t bytes) { ::munmap(block, bytes); });
}
// All parts in one gathering write, repeated only for what a short write
// left over.
bool WriteParts(int fd, std::vector<std::span<const unsigned char>> parts) {
    std::vector<iovec> pending;
    for (auto part : parts)
        if (!part.empty())
            pending.push_back({const_cast<unsigned char*>(part.data()), part.size()});
    std::size_t first = 0;
    while (first < pending.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(pending.size() - first, 64));
        const ssize_t written = ::writev(fd, &pending[first], count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        auto left = static_cast<std::size_t>(written);
        while (first < pending.size() && left >= pending[first].iov_len)
            left -= pending[first++].iov_len;
        if (left > 0) {
            pending[first].iov_base = static_cast<char*>(pending[first].iov_base) + left;
            pending[first].iov_len -= left;
        }
    }
    return true;
}
#endif

std::string Reason() {
    return std::strerror(errno);
}

// A stream of unknown length: read in steps that double the block.
ByteBlock ReadStream(int fd, const std::string& name) {
    ByteBlock bytes(std::size_t{1} << 20);
    std::size_t filled = 0;
    while (true) {
        if (filled == bytes.size()) {
            if (bytes.size() > INT_MAX / 2)
                throw Failure(InputName(name) + " is too large (over " + std::to_string(INT_MAX) +
                              " bytes)");
            ByteBlock larger(bytes.size() * 2);
            std::memcpy(larger.data(), bytes.data(), filled);
            bytes = std::move(larger);
        }
        const long long got = ReadSome(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0) throw Failure("cannot read " + InputName(name) + ": " + Reason());
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.Truncate(filled);
    return bytes;
}

// Closes the file on every path; Close reports what closing found.
struct FileDescriptor {
    int fd;
    bool owned;
    ~FileDescriptor() {
        if (owned && fd >= 0) CloseFile(fd);
    }
    bool Close() {
        owned = false;
        return fd < 0 || CloseFile(fd) == 0;
    }
};

} // namespace

std::string InputName(const std::string& name) {
    return name == kStandardStream ? "standard input" : name;
}

ByteBlock ReadInputFile(const std::string& name) {
    const bool standard = name == kStandardStream;
    const FileDescriptor file{standard ? StandardStream(0) : OpenForReading(name), !standard};
    if (file.fd < 0) throw Failure("cannot open " + name + ": " + Reason());
    std::uint64_t size = 0;
    if (!RegularFileSize(file.fd, size)) return ReadStream(file.fd, name);
    if (size > static_cast<std::uint64_t>(INT_MAX))
        throw Failure(InputName(name) + " is too large (" + std::to_string(size) +
                      " bytes; rztool reads files of up to " + std::to_string(INT_MAX) + " bytes)");
    // Large files are mapped: their pages are the bytes. Small ones are
    // cheaper to read, and so is any file the system will not map.
    if (size >= kMapFrom) {
        ByteBlock mapped = MapFile(file.fd, static_cast<std::size_t>(size));
        if (mapped.data() != nullptr) return mapped;
    }
    ByteBlock bytes(static_cast<std::size_t>(size));
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const long long got = ReadSome(file.fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0) throw Failure("cannot read " + InputName(name) + ": " + Reason());
        if (got == 0) break; // the file shrank meanwhile
        filled += static_cast<std::size_t>(got);
    }
    bytes.Truncate(filled);
    return bytes;
}

void WriteOutputFile(const std::string& name,
                     std::initializer_list<std::span<const unsigned char>> parts) {
    const bool standard = name == kStandardStream;
    FileDescriptor file{standard ? StandardStream(1) : OpenForWriting(name), !standard};
    const std::string shown = standard ? "standard output" : name;
    if (file.fd < 0) throw Failure("cannot create " + shown + ": " + Reason());
    if (!WriteParts(file.fd, parts) || (!standard && !file.Close()))
        throw Failure("cannot write " + shown + ": " + Reason());
}

} // namespace rztool
