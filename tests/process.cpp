#include "process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
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

process_result run_scene2java(const std::string& input_path, const std::vector<std::string>& args,
                              const std::string& output_path)
{
    const std::string out_path = output_path.empty() ? temporary_path("stdout") : output_path;
    const std::string err_path = temporary_path("stderr");
    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        const int in = open(input_path.c_str(), O_RDONLY);
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
            _exit(127);
        }
        std::vector<char*> argv;
        std::string program = SCENE2JAVA_BINARY;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int wstatus = 0;
    waitpid(child, &wstatus, 0);
    process_result result;
    if (WIFEXITED(wstatus)) {
        result.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        result.signal = WTERMSIG(wstatus);
    }
    if (output_path.empty()) {
        result.out = read_file(out_path);
        unlink(out_path.c_str());
    }
    result.err = read_file(err_path);
    unlink(err_path.c_str());
    return result;
}
