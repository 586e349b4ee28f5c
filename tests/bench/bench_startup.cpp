// Start to first paint of Marvane and Ostrel against a bare toolkit window showing one label, on
// an X server of its own (Xvfb; offscreen where there is none). Each run is a new process that
// loads the firstpaint plugin, which prints the clock when the first window has been painted and
// flushed and ends the process; the time is taken from just before the process starts. The
// three programs run in turn, round after round, in a rotating order, after one round that only
// warms the caches; the medians are compared (goal: each program at most 1.5 times the label).
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <vector>

namespace {
constexpr int Rounds = 15;
constexpr double Goal = 1.5;

long long NowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Least(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// Everything read from fd until it closes or deadlineMs passes; false on the deadline.
bool ReadAll(int fd, std::string& out, int deadlineMs) {
    const long long end = NowNs() + static_cast<long long>(deadlineMs) * 1000000LL;
    char buf[4096];
    for (;;) {
        const long long left = (end - NowNs()) / 1000000LL;
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int r = poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
        out.append(buf, size_t(n));
    }
}

// The X server: Xvfb on the first free display, which it names through -displayfd.
struct XServer {
    pid_t pid = -1;
    std::string display;

    bool start() {
        int fds[2];
        if (pipe(fds) != 0) return false;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const int devnull = open("/dev/null", O_RDWR);
            dup2(devnull, 1);
            dup2(devnull, 2);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string out;
        const bool ok = pid > 0 && ReadUntilNewline(fds[0], out);
        close(fds[0]);
        if (!ok || out.empty()) {
            stop();
            return false;
        }
        display = ":" + out.substr(0, out.find('\n'));
        return true;
    }
    void stop() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
    ~XServer() { stop(); }

private:
    static bool ReadUntilNewline(int fd, std::string& out) {
        const long long end = NowNs() + 10000000000LL;
        char c;
        while (NowNs() < end) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            if (read(fd, &c, 1) != 1) return false;
            if (c == '\n') return true;
            out += c;
        }
        return false;
    }
};

// A pseudo-terminal for Ostrel's COM1: it opens the first port it finds and needs one to start.
struct Pty {
    int master = -1;
    std::string slave;
    bool open() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
        slave = ptsname(master);
        return true;
    }
    ~Pty() {
        if (master >= 0) close(master);
    }
};

struct Program {
    const char* name;
    const char* path;
    std::vector<double> wall;  // seconds from before the start to the first flush
    std::vector<double> cpu;   // the process's own CPU seconds, to the end (it ends at the flush)
    std::vector<double> sys;   // of them in the kernel
};

struct Setup {
    std::string platform;
    std::string display;
    std::string folder;
    std::string com1;
};

// A program ended at its first paint leaves the lock file of the port it holds open
// (LCK..pts_3 for /dev/pts/3, with its process id). The next start would find it stale and spend
// time on it that no start by a user spends.
void RemoveLeftLock(const std::string& device, pid_t pid) {
    std::string name = device.substr(device.rfind("/dev/", 0) == 0 ? 5 : 0);
    std::replace(name.begin(), name.end(), '/', '_');
    for (const char* dir : {"/var/lock", "/run/lock", "/tmp"}) {
        const std::string path = std::string(dir) + "/LCK.." + name;
        std::ifstream lock(path);
        long owner = 0;
        if (lock >> owner && owner == pid) std::remove(path.c_str());
    }
}

// One start of program; false when it painted nothing within 30 s.
bool RunOnce(Program& p, const Setup& s) {
    int out[2];
    if (pipe(out) != 0) return false;
    const long long t0 = NowNs();
    const pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        dup2(out[1], 1);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 2);
        dup2(devnull, 0);
        if (chdir(s.folder.c_str()) != 0) _exit(126);
        // As a user starts it, but for what the measurement needs.
        unsetenv("QT_NO_GLIB");
        setenv("QT_QPA_PLATFORM", s.platform.c_str(), 1);
        if (!s.display.empty()) setenv("DISPLAY", s.display.c_str(), 1);
        setenv("QT_PLUGIN_PATH", FIRSTPAINT_PLUGIN_PATH, 1);
        setenv("QT_QPA_GENERIC_PLUGINS", "firstpaint", 1);
        setenv("XDG_CONFIG_HOME", (s.folder + "/config").c_str(), 1);
        setenv("SERIAL_COM1", s.com1.c_str(), 1);
        for (int n = 2; n <= 16; ++n) setenv(("SERIAL_COM" + std::to_string(n)).c_str(), "", 1);
        execl(p.path, p.path, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    if (pid < 0) {
        close(out[0]);
        return false;
    }
    std::string text;
    const bool ended = ReadAll(out[0], text, 30000);
    close(out[0]);
    if (!ended) kill(pid, SIGKILL);
    int status = 0;
    rusage use{};
    wait4(pid, &status, 0, &use);
    RemoveLeftLock(s.com1, pid);
    const size_t at = text.find("FIRSTPAINT ");
    if (!ended || at == std::string::npos) {
        std::fprintf(stderr, "%s painted nothing%s\n", p.name, ended ? "" : " within 30 s");
        return false;
    }
    const long long t1 = std::atoll(text.c_str() + at + 11);
    p.wall.push_back(double(t1 - t0) / 1e9);
    p.cpu.push_back(double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
                    double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6);
    p.sys.push_back(double(use.ru_stime.tv_sec) + double(use.ru_stime.tv_usec) / 1e6);
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    char folder[] = "/tmp/bench_startup.XXXXXX";
    if (!mkdtemp(folder)) return 1;
    Setup setup;
    setup.folder = folder;
    Pty pty;
    if (!pty.open()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    setup.com1 = pty.slave;
    XServer x;
    if (x.start()) {
        setup.platform = "xcb";
        setup.display = x.display;
        std::printf("on Xvfb %s, %d rounds after one to warm up\n", x.display.c_str(), Rounds);
    } else {
        setup.platform = "offscreen";
        std::printf("no Xvfb: offscreen, %d rounds after one to warm up\n", Rounds);
    }

    std::vector<Program> programs{{"label", STARTUP_LABEL_PATH, {}, {}, {}},
                                  {"marvane", MARVANE_PATH, {}, {}, {}},
                                  {"ostrel", OSTREL_PATH, {}, {}, {}}};
    // Further programs to compare, as name=path: measured in the same rounds, with no goal.
    const size_t withGoal = programs.size();
    for (int a = 1; a < argc; ++a) {
        char* eq = std::strchr(argv[a], '=');
        if (!eq) {
            std::fprintf(stderr, "usage: %s [name=program ...]\n", argv[0]);
            return 2;
        }
        *eq = '\0';
        programs.push_back({argv[a], eq + 1, {}, {}, {}});
    }
    bool ok = true;
    for (int round = 0; round <= Rounds && ok; ++round) {
        for (size_t k = 0; k < programs.size() && ok; ++k)
            ok = RunOnce(programs[(k + size_t(round)) % programs.size()], setup);
        if (round == 0)
            for (Program& p : programs) p.wall.clear(), p.cpu.clear(), p.sys.clear();
    }
    x.stop();
    std::error_code gone;
    std::filesystem::remove_all(setup.folder, gone);
    if (!ok) return 1;

    const double label = Median(programs[0].wall);
    const double labelCpu = Median(programs[0].cpu);
    for (const Program& p : programs)
        std::printf("%-8s start to first paint %.3f s (CPU %.3f s, system %.3f s), medians\n", p.name, Median(p.wall),
                    Median(p.cpu), Median(p.sys));
    for (size_t k = 1; k < programs.size(); ++k) {
        const Program& p = programs[k];
        std::printf("%s: %.2f x the label (CPU %.2f x, fastest runs %.2f x)\n", p.name, Median(p.wall) / label,
                    Median(p.cpu) / labelCpu, Least(p.wall) / Least(programs[0].wall));
        if (k < withGoal) std::printf("RATIO startup_%s_vs_label %.2f %.2f\n", p.name, Median(p.wall) / label, Goal);
    }
    return 0;
}
