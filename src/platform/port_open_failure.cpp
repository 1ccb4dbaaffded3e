#include "platform/port_open_failure.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tm47 {

std::string FormatPortOpenFailure(const PortOpenFacts& f) {
    switch (f.sysError) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return f.path + ": not found";
    case EBUSY:
    case EWOULDBLOCK:
        return f.path + ": busy" + (f.holder.empty() ? "" : ", held by " + f.holder);
    case EACCES:
    case EPERM:
        if (f.group.empty()) {
            return f.path + ": permission denied";
        }
        return f.path + ": permission denied; join the group " + f.group + " (sudo usermod -aG " +
               f.group + " $USER) and log in again";
    default:
        return f.path + ": " + std::strerror(f.sysError);
    }
}

std::string PortHolder(const std::string& path) {
    struct stat device {};
    if (stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) {
        return {};
    }
    DIR* proc = opendir("/proc");
    if (!proc) {
        return {};
    }
    const std::string self = std::to_string(getpid());
    std::string holder;
    while (dirent* e = readdir(proc)) {
        const std::string pid = e->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) {
            continue;
        }
        const std::string fdDir = "/proc/" + pid + "/fd";
        DIR* fds = opendir(fdDir.c_str()); // other users' processes are closed to us: skipped
        if (!fds) {
            continue;
        }
        while (dirent* fd = readdir(fds)) {
            struct stat st {};
            if (fd->d_name[0] != '.' && stat((fdDir + "/" + fd->d_name).c_str(), &st) == 0 &&
                S_ISCHR(st.st_mode) && st.st_rdev == device.st_rdev) {
                std::string name;
                std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
                holder = name + " (pid " + pid + ")";
                break;
            }
        }
        closedir(fds);
        if (!holder.empty()) {
            break;
        }
    }
    closedir(proc);
    return holder;
}

std::string DescribePortOpenFailure(const std::string& path, int sysError) {
    PortOpenFacts facts{path, sysError, {}, {}};
    if (sysError == EBUSY || sysError == EWOULDBLOCK) {
        facts.holder = PortHolder(path);
    } else if (sysError == EACCES || sysError == EPERM) {
        struct stat st {};
        if (stat(path.c_str(), &st) == 0) {
            if (const group* g = getgrgid(st.st_gid)) {
                facts.group = g->gr_name;
            }
        }
    }
    return FormatPortOpenFailure(facts);
}

bool SameDevice(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    struct stat sa {};
    struct stat sb {};
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) {
        return false;
    }
    if (S_ISCHR(sa.st_mode) && S_ISCHR(sb.st_mode)) {
        return sa.st_rdev == sb.st_rdev;
    }
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace tm47
