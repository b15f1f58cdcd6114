// Runs one command with standard input and output redirected to files and
// prints what it cost: CPU seconds in user and system mode, wall seconds,
// and peak resident memory in KiB.
//
//   measure INPUT OUTPUT COMMAND [ARGS...]

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: measure INPUT OUTPUT COMMAND [ARGS...]\n");
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("measure: fork");
        return 2;
    }
    if (child == 0) {
        const int in = open(argv[1], O_RDONLY);
        const int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0) {
            std::perror("measure: redirect");
            _exit(127);
        }
        execvp(argv[3], argv + 3);
        std::perror("measure: exec");
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) < 0) {
        std::perror("measure: wait");
        return 2;
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
    const auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    std::printf("%.6f %.6f %.6f %ld\n", seconds(usage.ru_utime), seconds(usage.ru_stime), wall.count(),
                usage.ru_maxrss);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "measure: %s failed\n", argv[3]);
        return 1;
    }
    return 0;
}
