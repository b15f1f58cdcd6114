#include "process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string& path, const std::string& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string temporary_path(const std::string& name)
{
    static int counter = 0;
    const char* dir = std::getenv("TMPDIR");
    std::ostringstream path;
    path << (dir != nullptr ? dir : "/tmp") << "/scene2java-test-" << getpid() << '-' << ++counter << '-' << name;
    return path.str();
}

int open_checked(const std::string& path, int flags)
{
    const int fd = open(path.c_str(), flags | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    }
    return fd;
}

pid_t start_program(const std::vector<std::string>& argv, child_io io, unsigned long address_space)
{
    // Everything the child needs is made before the fork: after it, the
    // child only calls what is safe there.
    std::vector<std::string> copies = argv;
    std::vector<char*> pointers;
    pointers.reserve(copies.size() + 1);
    for (std::string& a : copies) {
        pointers.push_back(a.data());
    }
    pointers.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error(std::string("fork failed: ") + std::strerror(errno));
    }
    if (child != 0) {
        return child;
    }
    // Move the descriptors out of the way first, so that one of them being
    // 0, 1 or 2 already cannot be overwritten before it is used.
    constexpr int out_of_the_way = 100;
    const int wanted[3] = {io.in, io.out, io.err};
    int moved[3] = {-1, -1, -1};
    for (int i = 0; i < 3; ++i) {
        if (wanted[i] >= 0 && (moved[i] = fcntl(wanted[i], F_DUPFD_CLOEXEC, out_of_the_way)) < 0) {
            _exit(127);
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (moved[i] < 0 ? (close(i) < 0 && errno != EBADF) : dup2(moved[i], i) < 0) {
            _exit(127);
        }
    }
    const rlimit limit{address_space, address_space};
    if (address_space != 0 && setrlimit(RLIMIT_AS, &limit) != 0) {
        _exit(127);
    }
    signal(SIGPIPE, SIG_DFL);
    execv(pointers[0], pointers.data());
    _exit(127);
}

exit_state wait_program(pid_t child)
{
    int wstatus = 0;
    while (waitpid(child, &wstatus, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error(std::string("waitpid failed: ") + std::strerror(errno));
        }
    }
    exit_state state;
    if (WIFEXITED(wstatus)) {
        state.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        state.signal = WTERMSIG(wstatus);
    }
    return state;
}

process_result run_captured(const std::vector<std::string>& argv, const std::string& input_path,
                            const std::string& output_path)
{
    const std::string out_path = output_path.empty() ? temporary_path("stdout") : output_path;
    const std::string err_path = temporary_path("stderr");
    const int in = open_checked(input_path, O_RDONLY);
    const int out = open_checked(out_path, O_WRONLY | O_CREAT | O_TRUNC);
    const int err = open_checked(err_path, O_WRONLY | O_CREAT | O_TRUNC);
    process_result result;
    static_cast<exit_state&>(result) = wait_program(start_program(argv, {in, out, err}));
    for (const int fd : {in, out, err}) {
        close(fd);
    }
    if (output_path.empty()) {
        result.out = read_file(out_path);
        unlink(out_path.c_str());
    }
    result.err = read_file(err_path);
    unlink(err_path.c_str());
    return result;
}

process_result run_scene2java(const std::string& input_path, const std::vector<std::string>& args,
                              const std::string& output_path)
{
    std::vector<std::string> argv{SCENE2JAVA_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_captured(argv, input_path, output_path);
}
