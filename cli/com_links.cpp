#include "cli/com_links.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvcli {
namespace {

// More links than this in a row is a loop.
constexpr int kMaxLinks = 40;

std::string readLink(const std::string& path) {
    char buf[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// "a/b/../c" as "a/c", without looking at the file system.
std::string normalised(const std::string& path) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
        const size_t slash = std::min(path.find('/', i), path.size());
        const std::string part = path.substr(i, slash - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = slash + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += "/" + p;
    return out.empty() ? "/" : out;
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// "COM" and a number 1 to 256 without leading zeros: the names the tools open.
int comNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 6 || name.compare(0, 3, "COM") != 0 || name[3] == '0') return 0;
    for (size_t i = 3; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return 0;
    const int n = std::atoi(name.c_str() + 3);
    return n <= 256 ? n : 0;
}

}  // namespace

bool PathExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> FollowLinks(const std::string& path) {
    std::vector<std::string> chain;
    std::string at = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat st {};
        if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        const std::string target = readLink(at);
        if (target.empty()) break;
        at = normalised(target[0] == '/' ? target : directoryOf(at) + "/" + target);
        chain.push_back(at);
    }
    return chain;
}

std::vector<ComLink> ReadComLinks(const std::string& dir) {
    std::vector<std::pair<int, ComLink>> found;
    DIR* d = opendir(dir.c_str());
    if (!d) return {};
    while (const dirent* e = readdir(d)) {
        const int n = comNumber(e->d_name);
        if (!n) continue;
        ComLink link;
        link.name = e->d_name;
        const std::string path = dir + "/" + link.name;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) continue;
        link.isLink = S_ISLNK(st.st_mode);
        if (link.isLink) {
            link.target = readLink(path);
            link.chain = FollowLinks(path);
            link.leadsSomewhere = !link.chain.empty() && PathExists(link.chain.back());
        }
        found.emplace_back(n, std::move(link));
    }
    closedir(d);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ComLink> links;
    for (auto& f : found) links.push_back(std::move(f.second));
    return links;
}

LinkResult MakeComLink(const std::string& dir, int number, const std::string& target) {
    LinkResult r;
    const std::string path = dir + "/COM" + std::to_string(number);
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            r.error = EEXIST;
            return r;
        }
        r.replaced = readLink(path);
    } else if (errno != ENOENT) {
        r.error = errno;
        return r;
    }
    // A new link under a name of its own, renamed over the old one: a tool
    // starting meanwhile finds either the old port or the new one.
    const std::string temporary = dir + "/.COM" + std::to_string(number) + ".kv275-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0) {
        r.error = errno;
        return r;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        r.error = errno;
        unlink(temporary.c_str());
    }
    return r;
}

}  // namespace kvcli
