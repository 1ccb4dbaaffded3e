#include "sim/pseudo_terminal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tm47 {

namespace {

bool Fail(std::string* error, const std::string& what) {
    if (error) {
        *error = "sim: " + what + " failed: " + std::strerror(errno);
    }
    return false;
}

std::string SlaveName(int masterFd) {
#if defined(__GLIBC__)
    char name[128];
    if (ptsname_r(masterFd, name, sizeof name) != 0) {
        return {};
    }
    return name;
#else
    const char* name = ptsname(masterFd); // not thread-safe; only glibc has ptsname_r
    return name ? name : "";
#endif
}

} // namespace

bool MakeNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        return false;
    }
    const int fdFlags = fcntl(fd, F_GETFD);
    return fdFlags >= 0 && fcntl(fd, F_SETFD, fdFlags | FD_CLOEXEC) >= 0;
}

PseudoTerminal::~PseudoTerminal() {
    Close();
}

bool PseudoTerminal::Open(std::string* error) {
    Close();
    masterFd_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd_ < 0) {
        return Fail(error, "posix_openpt");
    }
    if (!MakeNonBlocking(masterFd_)) {
        Fail(error, "fcntl(master)");
        Close();
        return false;
    }
    if (grantpt(masterFd_) != 0 || unlockpt(masterFd_) != 0) {
        Fail(error, "grantpt/unlockpt");
        Close();
        return false;
    }
    slavePath_ = SlaveName(masterFd_);
    if (slavePath_.empty()) {
        Fail(error, "ptsname");
        Close();
        return false;
    }
    anchorFd_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (anchorFd_ < 0) {
        Fail(error, "open(" + slavePath_ + ")");
        Close();
        return false;
    }
    termios tio{};
    if (tcgetattr(anchorFd_, &tio) != 0) {
        Fail(error, "tcgetattr(" + slavePath_ + ")");
        Close();
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(anchorFd_, TCSANOW, &tio) != 0) {
        Fail(error, "tcsetattr(" + slavePath_ + ")");
        Close();
        return false;
    }
    return true;
}

bool PseudoTerminal::MakeLink(const std::string& linkPath, std::string* error) {
    if (!IsOpen()) {
        errno = EBADF;
        return Fail(error, "symlink(" + linkPath + ")");
    }
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            errno = EEXIST;
            return Fail(error, "symlink(" + linkPath + ")");
        }
        if (unlink(linkPath.c_str()) != 0) {
            return Fail(error, "unlink(" + linkPath + ")");
        }
    }
    if (symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
        return Fail(error, "symlink(" + linkPath + ")");
    }
    linkPath_ = linkPath;
    return true;
}

void PseudoTerminal::Close() {
    if (!linkPath_.empty()) {
        // Remove the link only while it still leads to this slave: another simulator may
        // have taken the name over in the meantime.
        char target[256];
        const ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n >= 0 && std::string(target, static_cast<size_t>(n)) == slavePath_) {
            unlink(linkPath_.c_str());
        }
        linkPath_.clear();
    }
    if (anchorFd_ >= 0) {
        close(anchorFd_);
        anchorFd_ = -1;
    }
    if (masterFd_ >= 0) {
        close(masterFd_);
        masterFd_ = -1;
    }
    slavePath_.clear();
}

} // namespace tm47
