#include "TestPaths.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {

namespace fs = std::filesystem;

std::string sourceDir() { return MORLENTH_SOURCE_DIR; }
std::string binDir() { return MORLENTH_BIN_DIR; }

std::string makeTempDir(const std::string& prefix)
{
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        return std::string();
    }
    return std::string(buffer.data());
}

void removeTree(const std::string& path)
{
    std::error_code ignored;
    // A test may have made the folder read-only; give write access back first.
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path, ignored);
}

void writeFile(const std::string& path, const std::string& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> readLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

void copyFile(const std::string& from, const std::string& to)
{
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

void copyTree(const std::string& from, const std::string& to)
{
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& cwd,
                         const std::vector<std::string>& env, double timeoutSeconds,
                         void (*afterStart)(int pid, void* context), void* context)
{
    ProcessResult result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return result;
    }
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(pipeFds[1], STDERR_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        int devNull = open("/dev/null", O_RDONLY);
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
        }
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) {
            _exit(127);
        }
        // Only the test's X display: should it go away, SDL would otherwise fall
        // back to a driver whose GL context GLEW cannot load, and the run would
        // fail for a reason that is not the program's.
        setenv("SDL_VIDEODRIVER", "x11", 1);
        for (const std::string& entry : env) {
            size_t eq = entry.find('=');
            std::string name = entry.substr(0, eq);
            std::string value = eq == std::string::npos ? std::string() : entry.substr(eq + 1);
            if (value.empty()) {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);

    if (afterStart != nullptr) {
        std::thread([=] { afterStart(pid, context); }).detach();
    }

    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    int status = 0;
    char buffer[4096];
    for (;;) {
        ssize_t got;
        while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
            result.output.append(buffer, static_cast<size_t>(got));
        }
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        result.output.append(buffer, static_cast<size_t>(got));
    }
    close(pipeFds[0]);
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

namespace {

bool privateMountNamespace(std::string& why)
{
    static bool made = false;
    if (!made && (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)) {
        why = std::string("no mount namespace of its own: ") + std::strerror(errno);
        return false;
    }
    made = true;
    return true;
}

}

FolderLimit::FolderLimit(const std::string& folder, Kind kind, size_t bytes) : path(folder)
{
    if (kind == ReadOnly && geteuid() != 0) {
        active = chmod(path.c_str(), 0555) == 0;
        why = active ? "" : std::strerror(errno);
        return;
    }
    if (!privateMountNamespace(why)) {
        return;
    }
    if (kind == ReadOnly) {
        mounted = mount(path.c_str(), path.c_str(), nullptr, MS_BIND, nullptr) == 0;
        active = mounted && mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    } else {
        std::string options = "size=" + std::to_string(bytes);
        mounted = mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
        active = mounted;
    }
    if (!active) {
        why = std::string("cannot mount over ") + path + ": " + std::strerror(errno);
    }
}

FolderLimit::~FolderLimit()
{
    if (mounted) {
        umount2(path.c_str(), MNT_DETACH);
    } else if (active) {
        chmod(path.c_str(), 0755);
    }
}

}
