// The output rules; see the header.
#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

#include "Interrupt.h"

namespace ZevFilter {

namespace {

namespace fs = std::filesystem;

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

std::string reasonText(int error) { return std::strerror(error); }

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    const auto fail = [this](const std::string& reason) {
        throw OutputError("cannot write '" + path_ + "': " + reason);
    };
    if (isStandardOutput()) {
        if (isatty(STDOUT_FILENO) != 0) fail("standard output is a terminal");
        direct_ = true;
        return;
    }
    fs::path target = path_;
    struct stat status {};
    int links = 0;
    bool exists = false;
    while (true) {
        if (lstat(target.c_str(), &status) != 0) {
            if (errno != ENOENT) fail(reasonText(errno));
            break;
        }
        exists = true;
        if (!S_ISLNK(status.st_mode)) break;
        if (++links > kMaxLinks) fail(reasonText(ELOOP));
        std::vector<char> link(PATH_MAX);
        const ssize_t length = readlink(target.c_str(), link.data(), link.size() - 1);
        if (length < 0) fail(reasonText(errno));
        const fs::path next(std::string(link.data(), static_cast<size_t>(length)));
        target = next.is_absolute() ? next : target.parent_path() / next;
        exists = false;
    }
    target_ = target.string();

    if (exists && S_ISDIR(status.st_mode)) fail("it is a directory");
    if (exists && (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode))) {
        if (access(target_.c_str(), W_OK) != 0) fail(reasonText(errno));
        direct_ = true;
        return;
    }
    if (exists && !S_ISREG(status.st_mode))
        fail("it is not a regular file, a character device or a FIFO");

    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code error;
    if (!fs::is_directory(folder, error)) fail("no directory '" + folder.string() + "'");
    if (access(folder.c_str(), W_OK) != 0)
        fail("directory '" + folder.string() + "' is not writable");
    if (exists) {
        mode_ = status.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode_ = 0666 & ~mask;
    }
}

OutputFile::~OutputFile() { discard(); }

std::FILE* OutputFile::stream() {
    if (stream_ != nullptr) return stream_;
    int fd = -1;
    if (isStandardOutput()) {
        fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    } else if (direct_) {
        fd = open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    } else {
        const fs::path target(target_);
        const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
        std::string name = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
        // Blocked, so that no signal comes between the file's creation and
        // the handler's knowing of it.
        const SignalsBlocked blocked;
        fd = mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) {
            temporary_ = name;
            setTemporaryFile(temporary_.c_str());
            if (fchmod(fd, mode_) != 0) {
                const int error = errno;
                close(fd);
                discard();
                throw OutputError("cannot write '" + path_ + "': " + reasonText(error));
            }
        }
    }
    if (fd >= 0) stream_ = fdopen(fd, "wb");
    if (stream_ == nullptr) {
        const int error = errno;
        if (fd >= 0) close(fd);
        discard();
        throw OutputError("cannot write '" + path_ + "': " + reasonText(error));
    }
    return stream_;
}

void OutputFile::commit() {
    std::FILE* const file = stream();
    stream_ = nullptr;
    if (std::fclose(file) != 0) {
        const int error = errno;
        discard();
        throw OutputError("cannot write '" + path_ + "': " + reasonText(error));
    }
    if (direct_) return;
    const SignalsBlocked blocked;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        discard();
        throw OutputError("cannot write '" + path_ + "': " + reasonText(error));
    }
    setTemporaryFile(nullptr);
    temporary_.clear();
}

void OutputFile::discard() {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    if (temporary_.empty()) return;
    const SignalsBlocked blocked;
    unlink(temporary_.c_str());
    setTemporaryFile(nullptr);
    temporary_.clear();
}

}  // namespace ZevFilter
