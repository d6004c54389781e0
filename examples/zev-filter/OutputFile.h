// Where the result goes, written so that nothing else is harmed:
// - "-" is standard output;
// - a character device or a FIFO is written into as it is;
// - a new or existing regular file is written as a temporary file, created
//   exclusively under an unpredictable name in the same directory, and
//   renamed over the destination only once complete;
// - a symbolic link is followed, and the rules apply to its final target,
//   so the link stays and its target gets the picture;
// - anything else (a directory, a block device, a socket) is refused.
// A temporary file is removed on every failure, and by the signal handler
// on a signal (see Interrupt.h).
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

namespace ZevFilter {

// The output cannot be written; what() says why.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class OutputFile {
public:
    // Checks the destination, so that a run fails before its work rather
    // than after it. Throws OutputError.
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool isStandardOutput() const { return path_ == "-"; }

    // The stream to write to, opened on the first call. Throws OutputError.
    std::FILE* stream();
    // Finishes the file: closes it and, for a temporary one, renames it over
    // the destination. Throws OutputError, leaving no temporary file.
    void commit();

private:
    void discard();

    std::string path_;
    std::string target_;     // the path after symbolic links
    bool direct_ = false;    // written in place: standard output, a device, a FIFO
    unsigned int mode_ = 0;  // of the file made: the replaced file's, or 0666 less the umask
    std::string temporary_;
    std::FILE* stream_ = nullptr;
};

}  // namespace ZevFilter
