#include "cli/port_access.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace kvcli {
namespace {

bool sessionHasGroup(gid_t gid) {
    if (getegid() == gid) return true;
    const int n = getgroups(0, nullptr);
    if (n <= 0) return false;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    const int got = getgroups(n, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// The group database, as a new login would read it.
bool userInGroup(gid_t gid) {
    const passwd* pw = getpwuid(geteuid());
    if (!pw) return false;
    int n = 64;
    std::vector<gid_t> groups(static_cast<size_t>(n));
    if (getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &n) < 0) {
        groups.resize(static_cast<size_t>(n));
        if (getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &n) < 0) return false;
    }
    return std::find(groups.begin(), groups.begin() + n, gid) != groups.begin() + n;
}

std::string programName(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// /proc/locks: "1: FLOCK  ADVISORY  WRITE 4711 00:1a:5 0 EOF", the file as
// major:minor (hexadecimal) of its file system and its inode number.
std::vector<int> lockingProcesses(const struct stat& node) {
    std::vector<int> pids;
    std::ifstream in("/proc/locks");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string number, kind, mode, access, file;
        int pid = 0;
        if (!(words >> number >> kind)) continue;
        if (kind == "->") continue;  // waiting for the lock, not holding it
        if (!(words >> mode >> access >> pid >> file)) continue;
        unsigned fsMajor = 0, fsMinor = 0;
        unsigned long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%lu", &fsMajor, &fsMinor, &inode) != 3) continue;
        if (fsMajor == major(node.st_dev) && fsMinor == minor(node.st_dev) && inode == node.st_ino)
            pids.push_back(pid);
    }
    return pids;
}

std::vector<int> openingProcesses(const struct stat& node) {
    std::vector<int> pids;
    DIR* proc = opendir("/proc");
    if (!proc) return pids;
    while (const dirent* p = readdir(proc)) {
        const int pid = std::atoi(p->d_name);
        if (pid <= 0) continue;
        const std::string fdDir = "/proc/" + std::string(p->d_name) + "/fd";
        DIR* fds = opendir(fdDir.c_str());
        if (!fds) continue;  // another user's process, or gone meanwhile
        while (const dirent* f = readdir(fds)) {
            if (f->d_name[0] == '.') continue;
            struct stat st {};
            if (stat((fdDir + "/" + f->d_name).c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
                st.st_rdev == node.st_rdev) {
                pids.push_back(pid);
                break;
            }
        }
        closedir(fds);
    }
    closedir(proc);
    return pids;
}

}  // namespace

std::string AccessProblem(const AccessFacts& f) {
    if (f.mayOpen) return {};
    if (f.groupName.empty() || !f.groupMayOpen) return "no permission to open it";
    if (f.inGroupNow) return "no permission to open it, although in the " + f.groupName + " group";
    if (f.inGroupAtLogin) return "in the " + f.groupName + " group from the next login (log out and in again)";
    return "not in the " + f.groupName + " group (sudo adduser $USER " + f.groupName + ", then log in again)";
}

AccessFacts CheckAccess(const std::string& device) {
    AccessFacts f;
    f.mayOpen = access(device.c_str(), R_OK | W_OK) == 0;
    struct stat st {};
    if (stat(device.c_str(), &st) != 0) return f;
    if (const group* g = getgrgid(st.st_gid)) f.groupName = g->gr_name;
    f.groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    f.inGroupNow = sessionHasGroup(st.st_gid);
    f.inGroupAtLogin = userInGroup(st.st_gid);
    return f;
}

std::vector<Holder> PortHolders(const std::string& device, bool pseudoTerminal) {
    struct stat node {};
    if (stat(device.c_str(), &node) != 0) return {};
    std::vector<int> pids = lockingProcesses(node);
    if (!pseudoTerminal) {
        const std::vector<int> openers = openingProcesses(node);
        pids.insert(pids.end(), openers.begin(), openers.end());
    }
    std::sort(pids.begin(), pids.end());
    pids.erase(std::unique(pids.begin(), pids.end()), pids.end());
    std::vector<Holder> holders;
    for (int pid : pids) holders.push_back({pid, programName(pid)});
    return holders;
}

}  // namespace kvcli
