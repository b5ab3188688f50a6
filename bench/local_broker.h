#pragma once
// A mosquitto broker of a benchmark's (or a test's) own, listening on a free
// port of 127.0.0.1 and ended with the object; Stop() and Start() restart it
// on the same port. A broker that is not installed is an error, never a
// reason to skip: ./run bench and ./run test install it.

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bench {

// A program of the broker's package, where Debian puts it even when /usr/sbin is not on PATH.
inline std::string BrokerProgram(const std::string& name) {
    for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/usr/local/sbin/", "/usr/local/bin/"})
        if (access((dir + name).c_str(), X_OK) == 0) return dir + name;
    throw std::runtime_error(name + " is not installed (Debian packages mosquitto, mosquitto-clients): " +
                             "./run installs them");
}

// Starts `args` with its output into `log`; the process id.
inline pid_t Spawn(const std::vector<std::string>& args, const std::string& log) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    return pid;
}

// Runs `args` to its end; its exit status.
inline int RunProgram(const std::vector<std::string>& args, const std::string& log) {
    int status = 0;
    waitpid(Spawn(args, log), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A port of 127.0.0.1 that nothing listens on just now.
inline int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    close(s);
    return ntohs(a.sin_port);
}

class LocalBroker {
public:
    // `config`: what the broker's configuration holds besides its listener.
    explicit LocalBroker(std::string directory, std::string config = "allow_anonymous true\n")
        : directory_(std::move(directory)), config_(std::move(config)), port_(FreePort()) {
        Start();
    }
    ~LocalBroker() { Stop(); }
    LocalBroker(const LocalBroker&) = delete;
    LocalBroker& operator=(const LocalBroker&) = delete;

    void Start() {
        const std::string file = directory_ + "/mosquitto.conf";
        // Run as root, the broker would become another user, who may not
        // read the test's files nor write its persistence there.
        const passwd* self = getpwuid(geteuid());
        const std::string text = "listener " + std::to_string(port_) + " 127.0.0.1\n" +
                                 (self ? "user " + std::string(self->pw_name) + "\n" : "") + config_;
        FILE* f = std::fopen(file.c_str(), "w");
        if (!f || std::fputs(text.c_str(), f) < 0 || std::fclose(f) != 0)
            throw std::runtime_error("cannot write " + file);
        pid_ = Spawn({BrokerProgram("mosquitto"), "-c", file}, directory_ + "/mosquitto.log");
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!listening()) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_ || std::chrono::steady_clock::now() > end) {
                Stop();
                throw std::runtime_error("mosquitto did not come up on port " + std::to_string(port_) + ": see " +
                                         directory_ + "/mosquitto.log");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    // Ends the broker as a service manager would (it saves what it persists).
    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    int port() const { return port_; }
    std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }

private:
    bool listening() const {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port_));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        close(s);
        return ok;
    }

    std::string directory_;
    std::string config_;
    int port_;
    pid_t pid_ = -1;
};

}  // namespace bench
